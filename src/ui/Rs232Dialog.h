#pragma once

#include <QDialog>

#include "link/Rs232Setup.h"

class QComboBox;
class QPushButton;

namespace hvt {

// Template 133: the COM port to choose and the fixed line settings. The
// presenter decides; this only shows and reports.
class Rs232Dialog : public QDialog, public Rs232SetupControls {
  Q_OBJECT

 public:
  Rs232Dialog(Rs232Setup& setup, QWidget* parent);

  void SetPortEntries(const std::vector<std::string>& texts) override;
  void SelectPortEntry(int index) override;
  void EndDialog(bool ok) override;

  QComboBox* PortCombo() const { return combo; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  Rs232Control FocusedControl() const;

  Rs232Setup& setup;
  QComboBox* combo = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  bool ending = false;
};

}  // namespace hvt
