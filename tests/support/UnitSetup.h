#pragma once

#include <cstdint>

#include "model/CPELKDoc.h"
#include "view/CPELKView.h"

namespace hvt::testing {

// A unit with fixed (not Endless) injection and interval times.
inline UnitRecord& TimedUnit(CPELKDoc& doc, int n, int injection, int interval) {
  UnitRecord& u = doc.unit(n);
  u.injectionTime = injection;
  u.injectionEndless = 0;
  u.intervalTime = interval;
  u.intervalEndless = 0;
  return u;
}

// A timed unit on the SWEEP page stepping its voltage alone (innermost).
inline UnitRecord& VoltageSweepUnit(CPELKDoc& doc, int n, int injection, int interval, int start,
                                    int stop, int step) {
  UnitRecord& u = TimedUnit(doc, n, injection, interval);
  u.testMode = 1;
  u.voltageSweep = 1;
  u.sweepCount = 1;
  u.voltage = start;
  u.voltageStop = stop;
  u.voltageStep = step;
  u.sweepOrder = {4, 5, 0, 1, 3, 2};
  return u;
}

// Makes unit n the form's unit, as selecting it on the form does.
inline void UseUnit(CPELKDoc& doc, CPELKView& view, int n) {
  doc.currentUnit = static_cast<uint16_t>(n);
  view.runStatus.activeUnit = n;
  view.selections.SelectUnit(n);
}

}  // namespace hvt::testing
