#pragma once

#include "ports/ControlId.h"

namespace hvt {

class CPELKView;

// What the operator may touch while a run is on: the run buttons, the
// condition controls, the frame's menus and Close, the remaining times.
class RunEnabling {
 public:
  explicit RunEnabling(CPELKView& view) : view(view) {}

  void UpdateRunControls();
  void EnableFormForRun(bool enable);
  void EnableFrameForRun(bool enable);
  void ShowConditionPanel(bool show);
  void ShowRemainingTimes(bool running);
  bool IsCommandEnabled(CommandId command) const;

 private:
  CPELKView& view;
};

}  // namespace hvt
