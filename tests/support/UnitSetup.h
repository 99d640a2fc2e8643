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

// Makes unit n the form's unit, as selecting it on the form does.
inline void UseUnit(CPELKDoc& doc, CPELKView& view, int n) {
  doc.currentUnit = static_cast<uint16_t>(n);
  view.runStatus.activeUnit = n;
  view.selections.SelectUnit(n);
}

}  // namespace hvt::testing
