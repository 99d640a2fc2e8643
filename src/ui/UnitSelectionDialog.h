#pragma once

#include <QDialog>
#include <map>

#include "form/UnitSelection.h"

class QAbstractButton;
class QListWidget;
class QTableWidget;

namespace hvt {

class TextCodec;

// The program editor's window: the unit table, the program cells and the
// edit buttons. It shows what the presenter sets and reports the operator's
// clicks and the unit table's keys to it; every rule is the presenter's.
class UnitSelectionDialog : public QDialog, public UnitSelectionControls {
  Q_OBJECT

 public:
  UnitSelectionDialog(UnitSelection& editor, const TextCodec& codec, QWidget* parent = nullptr);

  void SetCaption(const std::string& text) override;
  void SetUnitColumns(const std::vector<UnitColumn>& columns) override;
  void SetUnitCell(int row, int column, const std::string& text) override;
  void InsertCell(int item, const std::string& text) override;
  void DeleteCell(int item) override;
  void SetCellText(int item, const std::string& text) override;
  void SelectCell(int item) override;
  void Check(UnitDialogId id, bool checked) override;
  void SetToolTip(UnitDialogId id, const std::string& text) override;
  void SetUnitCursor(bool doubleClickHint) override;

  void done(int result) override;

  QTableWidget* UnitTable() const { return table; }
  QListWidget* ProgramCells() const { return cells; }
  QAbstractButton* Button(UnitDialogId id) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString ToQt(const std::string& bytes) const;
  QAbstractButton* AddButton(UnitDialogId id, const char* english, int x, int w, bool checkable);
  void ReportMouse(const QPoint& global);

  UnitSelection& editor;
  const TextCodec& codec;
  QTableWidget* table;
  QListWidget* cells;
  std::map<UnitDialogId, QAbstractButton*> buttons;
  bool hintCursor = false;
};

}  // namespace hvt
