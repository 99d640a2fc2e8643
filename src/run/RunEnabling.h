#pragma once

#include "ports/ControlId.h"

namespace hvt {

struct RunWiring;

// What the operator may touch while a run is on: the run buttons, the
// condition controls, the frame's menus and Close, the remaining times.
class RunEnabling {
 public:
  explicit RunEnabling(RunWiring& with) : with(with) {}

  void UpdateRunControls();
  void EnableFormForRun(bool enable);
  void EnableFrameForRun(bool enable);
  void ShowConditionPanel(bool show);
  void ShowRemainingTimes(bool running);
  // Each sequence combo's text goes to the static over it and the combo is
  // disabled: a run must not change the nesting order.
  void FreezeSequenceCombos();
  // Whether the time edits 1008 and 1009 are painted red on the run brush:
  // all the while a run is active, so they read as counters, not inputs.
  bool TimesRunColoured() const;
  bool IsCommandEnabled(CommandId command) const;

 private:
  RunWiring& with;
};

}  // namespace hvt
