#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QButtonGroup;
class QLineEdit;
class QSpinBox;
class QCheckBox;

namespace hvt {

// The modeless "EUT anomaly" box of F8: the performance criterion seen (A
// to D), a note and how long the effect lasted. It neither pauses nor stops
// the run; OK hands the answers on, Cancel drops them.
class AnomalyDialog : public QDialog {
  Q_OBJECT

 public:
  struct Answers {
    char criterion = 'A';
    std::string noteUtf8;
    std::optional<int> durationS;
  };

  explicit AnomalyDialog(QWidget* parent);
  std::function<void(const Answers&)> onAccepted;

 private:
  void Accept();

  QButtonGroup* criteria;
  QLineEdit* note;
  QCheckBox* durationKnown;
  QSpinBox* duration;
};

}  // namespace hvt
