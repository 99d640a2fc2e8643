#include "form/FormFilterTargets.h"

#include <algorithm>

#include "run/CPELKView.h"

namespace hvt {

void FormFilterTargets::SelectTabPage(int page) { view.layout.OnTabSelected(page); }

void FormFilterTargets::StepUnit(int direction) {
  // One step within 1..50, as the unit buttons make it; their auto-repeat
  // belongs to the lists.
  const int unit = std::clamp(view.activeUnit + direction, 1, kUnitCount);
  if (unit == view.activeUnit) return;
  view.activeUnit = unit;
  view.doc.currentUnit = static_cast<uint16_t>(unit);
  view.selections.SelectUnit(unit);
  view.selections.RefreshForm();
}

void FormFilterTargets::StepProgram(int direction) {
  const int current = std::clamp<int>(view.doc.currentProgram, 1, kProgramCount);
  const int program = std::clamp(current + direction, 1, kProgramCount);
  if (program == view.doc.currentProgram) return;
  view.doc.currentProgram = static_cast<uint16_t>(program);
  view.formSeams.ShowProgram();
}

void FormFilterTargets::PressStepButton(ControlId button) {
  view.form.Focus(button);
  switch (button) {
    case ControlId::UnitUpButton:
      StepUnit(+1);
      break;
    case ControlId::UnitDownButton:
      StepUnit(-1);
      break;
    case ControlId::ProgramUpButton:
      StepProgram(+1);
      break;
    case ControlId::ProgramDownButton:
      StepProgram(-1);
      break;
    default:
      break;
  }
}

void FormFilterTargets::SetCursor(CursorShape cursor) { view.form.SetCursor(cursor); }

bool FormFilterTargets::IsCloseEnabled() const { return view.form.IsCloseEnabled(); }

bool ToolTipAllowed(const CPELKView& view, ControlId control) {
  const bool timeEdit =
      control == ControlId::InjectionTimeEdit || control == ControlId::IntervalTimeEdit;
  return !(timeEdit && view.RunActive());
}

}  // namespace hvt
