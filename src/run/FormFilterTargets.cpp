#include "run/FormFilterTargets.h"

#include "run/RunWiring.h"

namespace hvt {

void FormFilterTargets::SelectTabPage(int page) { with.host.OnTabSelected(page); }

void FormFilterTargets::StepUnit(int direction) { with.host.StepUnit(direction); }

void FormFilterTargets::StepProgram(int direction) { with.host.StepProgram(direction); }

void FormFilterTargets::PressStepButton(ControlId button) { with.host.PressStepButton(button); }

void FormFilterTargets::DisarmRepeat() { with.host.DisarmRepeat(); }

void FormFilterTargets::SetCursor(CursorShape cursor) { with.form.SetCursor(cursor); }

bool FormFilterTargets::IsCloseEnabled() const { return with.form.IsCloseEnabled(); }

void FormFilterTargets::MarkAnomaly() { with.host.MarkAnomaly(); }

bool ToolTipAllowed(const RunStatus& run, ControlId control) {
  const bool timeEdit =
      control == ControlId::InjectionTimeEdit || control == ControlId::IntervalTimeEdit;
  return !(timeEdit && run.RunActive());
}

}  // namespace hvt
