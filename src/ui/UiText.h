#pragma once

#include <QString>

namespace hvt {

// A numbered text of the current language as Unicode for a widget.
QString UiText(int id);
// The same with its "%s" replaced by the argument.
QString UiText(int id, const QString& argument);

}  // namespace hvt
