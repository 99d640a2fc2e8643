#pragma once

#include <QString>
#include <string>

#include "model/TextId.h"

namespace hvt {

// A numbered text of the current language as Unicode for a widget.
QString UiText(TextId id);
// Bytes in the current language's code page (texts the core built from the
// table) as Unicode.
QString UiBytes(const std::string& bytes);
// The same with its "%s" replaced by the argument.
QString UiText(TextId id, const QString& argument);

}  // namespace hvt
