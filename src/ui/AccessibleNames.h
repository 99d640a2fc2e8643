#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace hvt {

// What a screen reader says of a control: its name is the label beside it,
// its description the plain text of its tooltip.

// Names the control. A combo box gets an accessible interface of its own
// here: Qt's names a combo by its current entry on Linux, whatever name it
// was given.
void SetAccessibleName(QWidget* control, const QString& name);

// The label belongs to the control (its buddy) and names it with the text
// it shows, in the language it shows.
void NameByLabel(QLabel* label, QWidget* control);

// A label's shown text as a name: markup and mnemonic ampersands removed.
QString LabelName(const QLabel* label);

// The tooltip's text without markup as the control's description.
void DescribeByTip(QWidget* control, const QString& tip);

// Text without markup: rich text is rendered to its plain text, anything
// else is kept as it is.
QString PlainText(const QString& text);

}  // namespace hvt
