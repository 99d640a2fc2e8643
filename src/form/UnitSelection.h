#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/TextId.h"
#include "ports/InputEvents.h"
#include "ports/TimerHost.h"

namespace hvt {

class CPELKDoc;
struct FormWiring;
class Prompter;

// Controls of the unit selection dialog by their IDs.
enum class UnitDialogId : int {
  Ok = 1,
  Cancel = 2,
  ProgramCells = 1041,
  UnitTable = 1070,
  LineOn = 1112,  // created hidden and never shown
  LineOff = 1113,
  Delete = 1114,
  Clear = 1115,
  Prior = 1116,
  Posterior = 1117,
  Last = 1118,
  Replace = 1119,
};

// One column of the unit table: its heading and width in pixels.
struct UnitColumn {
  std::string title;
  int width;
};

// The dialog's widgets as the presenter sees them. Program cells are list
// items: item 2k-2 holds step k, the odd items hold the arrows between.
class UnitSelectionControls {
 public:
  virtual ~UnitSelectionControls() = default;

  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetUnitColumns(const std::vector<UnitColumn>& columns) = 0;
  virtual void SetUnitCell(int row, int column, const std::string& text) = 0;

  virtual void InsertCell(int item, const std::string& text) = 0;
  virtual void DeleteCell(int item) = 0;
  virtual void SetCellText(int item, const std::string& text) = 0;
  // Gives the item the list's selected and focused state.
  virtual void SelectCell(int item) = 0;

  virtual void Check(UnitDialogId id, bool checked) = 0;
  virtual void SetToolTip(UnitDialogId id, const std::string& text) = 0;
  // Cursor 138 (a double click picks this unit) or the arrow.
  virtual void SetUnitCursor(bool doubleClickHint) = 0;
};

// The program editor: the current program's steps on a copy, changed by
// picking units from the table in one of four modes. The caller writes the
// copy back after OK (WriteBack); Cancel leaves the document alone.
class UnitSelection : public TimerClient {
 public:
  static constexpr int kBlinkTimer = 1;
  static constexpr uint32_t kBlinkMs = 250;
  static constexpr int kMaxSteps = 50;
  // The column headings' height: the mouse over it is not over a unit row.
  static constexpr int kHeaderHeight = 18;

  UnitSelection(const CPELKDoc& doc, Prompter& prompter);

  // Binds the widgets and the dialog's own timers; both must outlive the
  // dialog's modal loop. The prompter may be replaced so that boxes belong
  // to the dialog's window.
  void Attach(UnitSelectionControls& controls, TimerHost& timers);
  // Returns the prompter it replaces.
  Prompter& SetPrompter(Prompter& p) {
    Prompter& previous = *prompter;
    prompter = &p;
    return previous;
  }

  // Caption, unit table, program cells, "Last" pressed, tooltips.
  void OnInitDialog();
  // One of the four mode buttons was pressed.
  void OnModeButton(UnitDialogId id);
  // A click on program cell `item` (-1: no item).
  void OnCellClick(int item);
  // A double click on unit table row `row` (-1: no row selected).
  void OnUnitDoubleClick(int row);
  // A key on the unit table, whose current row is `row` (-1: none). Space
  // adds that row's unit as a double click does, once for each press: the
  // presses of a key held down are repeats, not the operator's. Space is
  // the table's alone (Swallow); other keys go on to it (Pass), so that
  // the arrows move in the table, Tab leaves it and Enter is the dialog's
  // OK.
  Disposition OnUnitTableKey(const KeyEvent& key, int row);
  void OnDelete();
  void OnClear();
  // The mouse at (x, y) in the unit table's window of size width x height,
  // or anywhere else in the dialog (inside false).
  void OnMouseMove(bool inside, int x, int y, int width, int height);
  // The dialog closes (OK, Cancel or its window's close): the blink ends.
  void OnClose();

  void OnTimer(int id) override;

  // Positions 1..100 and the step count into the current program and the
  // document's step count; the form's program list is refilled; modified
  // only when the copy was edited.
  void WriteBack(FormWiring& with) const;

  uint16_t Step(int position) const { return steps.at(static_cast<size_t>(position)); }

  // State (names as the dialog's rules use them).
  std::array<uint16_t, 101> steps{};  // index 0 unused
  uint16_t stepCount = 0;
  int selectedPos = -1;
  int modePrior = 0;
  int modePosterior = 0;
  int modeLast = 0;
  int modeReplace = 0;
  int edited = 0;
  int overUnitRows = 0;
  int blinkFlag = 0;

 private:
  std::string CellText(int position) const;
  int CellCount() const { return stepCount == 0 ? 1 : 2 * stepCount - 1; }
  void FillCells();
  void RedrawPosition(int position);
  void StartBlink();
  void StopBlink();
  void AppendTwoCells();
  void ShiftRightFrom(int s);
  void FirstStep(uint16_t unit);
  void AddLast(uint16_t unit);
  void InsertAtSelection(uint16_t unit, bool after);
  void ReplaceSelected(uint16_t unit);
  void Ask(TextId messageId, bool okCancel, bool* ok = nullptr);

  const CPELKDoc& doc;
  Prompter* prompter;
  UnitSelectionControls* controls = nullptr;
  TimerHost* timers = nullptr;
  bool blinking = false;
};

// A double click on the form's program list: the editor on the current
// program while no run is active. True when the operator chose OK.
bool OpenProgramEditor(FormWiring& with);

}  // namespace hvt
