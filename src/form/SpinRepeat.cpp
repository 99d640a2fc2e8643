#include "form/SpinRepeat.h"

#include "form/FormTables.h"

namespace hvt {

bool SpinRepeat::Accelerates(ControlId spin) {
  for (const form::SpinSetUp& s : form::SpinSetUps(0)) {
    if (s.spin == spin) return s.accelerated;
  }
  return false;
}

int SpinRepeat::StepAfter(uint32_t heldMs, bool accelerated) {
  int step = 1;
  if (!accelerated) return step;
  for (const form::SpinAcceleration& a : form::AccelerationSteps()) {
    if (heldMs >= static_cast<uint32_t>(a.seconds) * 1000) step = a.step;
  }
  return step;
}

int SpinRepeat::Step(ControlId spin, ArrowAction action, int direction) {
  const int sign = direction < 0 ? -1 : 1;
  switch (action) {
    case ArrowAction::Press:
      held = spin;
      pressedAtMs = clock.TickCount();
      return sign;
    case ArrowAction::Repeat:
      if (held != spin) return 0;
      return sign * StepAfter(clock.TickCount() - pressedAtMs, Accelerates(spin));
    case ArrowAction::Release:
      if (held == spin) held.reset();
      return 0;
  }
  return 0;
}

}  // namespace hvt
