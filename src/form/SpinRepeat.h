#pragma once

#include <cstdint>
#include <optional>

#include "link/Clock.h"
#include "ports/ControlId.h"
#include "ports/FormEvents.h"

namespace hvt {

// The arrows of a spin control, held down: one step at the press, then one
// per repeat of the widget, of 1 until the arrow has been held 2 s, of 10
// from 2 s, 100 from 3 s and 1000 from 4 s (for the spins that accelerate;
// the others keep steps of 1). Time comes from the clock, so the rule is
// the same whatever pace the widget repeats at.
class SpinRepeat {
 public:
  explicit SpinRepeat(Clock& clock) : clock(clock) {}

  // How far this arrow event moves the position (signed; 0 for a release
  // or a repeat without its press).
  int Step(ControlId spin, ArrowAction action, int direction);

  // The step after the arrow has been held heldMs.
  static int StepAfter(uint32_t heldMs, bool accelerated);
  static bool Accelerates(ControlId spin);

 private:
  Clock& clock;
  std::optional<ControlId> held;
  uint32_t pressedAtMs = 0;
};

}  // namespace hvt
