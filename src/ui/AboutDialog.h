#pragma once

#include <QDialog>

namespace hvt {

// "About": the program's name and version.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace hvt
