#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form/ProgramCells.h"
#include "ports/ControlId.h"
#include "ports/FormControls.h"

namespace hvt {

struct FormWiring;

// Timers of the step buttons' auto-repeat (the view's timers 7 to 10).
inline constexpr int kUnitNextTimer = 7;
inline constexpr int kUnitPreviousTimer = 8;
inline constexpr int kProgramNextTimer = 9;
inline constexpr int kProgramPreviousTimer = 10;

// A list control of the form seen as a row of program cells.
class FormCellList : public form::CellList {
 public:
  FormCellList(FormControls& form, ControlId list) : form(form), list(list) {}

  void DeleteAllItems() override;
  void InsertItem(int index, const std::string& text) override;

 private:
  FormControls& form;
  ControlId list;
};

// The unit overview's twelve columns: headings and widths in pixels.
std::vector<ListColumn> UnitOverviewColumns();

// The form's program list and unit overview, the unit and program step
// buttons with their auto-repeat, and the unit clipboard (Copy, Paste).
class ProgramLists {
 public:
  explicit ProgramLists(FormWiring& with) : with(with) {}

  // Number, name, step buttons, repeat count and cells of the current
  // program.
  void ShowProgram();
  // The form's program list from the current program (recounting it).
  void FillProgramList();

  // Enable the step buttons for the present numbers. A button that is
  // disabled at a bound gives the focus away: unit buttons to the tab
  // control, program buttons to the program list.
  void SetUnitButtons();
  void SetProgramButtons();

  // One step (+1 next, -1 previous), held within 1..50.
  void StepUnit(int direction);
  void StepProgram(int direction);

  // The left button went down on an enabled step button: focus, the first
  // step, and the repeat timer that takes over after half a second.
  void PressStepButton(ControlId button);
  // The button's clicked notification: it was released.
  void ReleaseStepButton(ControlId button);
  // The mouse moved over the bare form: a repeat in progress ends at its
  // next tick.
  void DisarmRepeat();
  static bool IsRepeatTimer(int id);
  void OnRepeatTimer(int id);

  // The overview's columns, made once with the form; its rows, filled when
  // a program run starts.
  void SetUpOverview();
  void FillUnitOverview();

  // The context menu of the condition tab.
  void CopyUnit();
  void PasteUnit();
  bool CanPaste() const;
  // A file was opened: what was copied belongs to the document left.
  void EmptyClipboard();

  int32_t repeatArmed = 0;
  uint32_t repeatStartTick = 0;

 private:
  void KillRepeat(int timer);

  FormWiring& with;
};

}  // namespace hvt
