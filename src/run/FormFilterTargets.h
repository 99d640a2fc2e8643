#pragma once

#include "run/InputFilter.h"

namespace hvt {

struct RunStatus;
struct RunWiring;

// What the input filter hands on, carried out on the view's parts: the tab
// page, the unit and program numbers, the cursor, the frame's Close state.
class FormFilterTargets : public FilterTargets {
 public:
  explicit FormFilterTargets(RunWiring& with) : with(with) {}

  void SelectTabPage(int page) override;
  void StepUnit(int direction) override;
  void StepProgram(int direction) override;
  void PressStepButton(ControlId button) override;
  void DisarmRepeat() override;
  // Tooltips follow the mouse on their own in the widget layer; whether a
  // control's tooltip may show is ToolTipAllowed below.
  void RelayToolTip(const MouseEvent&) override {}
  void SetCursor(CursorShape cursor) override;
  bool IsCloseEnabled() const override;
  void MarkAnomaly() override;

 private:
  RunWiring& with;
};

// A control's tooltip is not shown over the remaining times during a run.
bool ToolTipAllowed(const RunStatus& run, ControlId control);

}  // namespace hvt
