#include "run/FormFilterTargets.h"

#include "view/CPELKView.h"

namespace hvt {

void FormFilterTargets::SelectTabPage(int page) { view.layout.OnTabSelected(page); }

void FormFilterTargets::StepUnit(int direction) { view.lists.StepUnit(direction); }

void FormFilterTargets::StepProgram(int direction) { view.lists.StepProgram(direction); }

void FormFilterTargets::PressStepButton(ControlId button) { view.lists.PressStepButton(button); }

void FormFilterTargets::DisarmRepeat() { view.lists.DisarmRepeat(); }

void FormFilterTargets::SetCursor(CursorShape cursor) { view.form.SetCursor(cursor); }

bool FormFilterTargets::IsCloseEnabled() const { return view.form.IsCloseEnabled(); }

bool ToolTipAllowed(const CPELKView& view, ControlId control) {
  const bool timeEdit =
      control == ControlId::InjectionTimeEdit || control == ControlId::IntervalTimeEdit;
  return !(timeEdit && view.RunActive());
}

}  // namespace hvt
