#pragma once

#include <QDialog>

namespace hvt {

// The window shown while the program starts and connects: the product
// name, the program's logo and its version. Start-up prompts are owned by it.
class OpeningDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OpeningDialog(QWidget* parent = nullptr);
};

// The program's logo, drawn rather than loaded so the program carries no
// image files.
QPixmap ProgramLogo(QSize size);

}  // namespace hvt
