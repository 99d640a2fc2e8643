#pragma once

#include <cstdint>
#include <random>

#include "model/CPELKDoc.h"

namespace hvt::testing {

// Puts values a file may hold but the program never writes into the units
// and selections of a document: numbers outside their tables, sweep orders
// that are no permutation, counts that do not match the flags.
inline void DamageDocument(CPELKDoc& doc, uint32_t seed) {
  std::mt19937 random(seed);
  auto any = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  auto wild = [&]() -> int32_t {
    switch (any(0, 5)) {
      case 0:
        return INT32_MIN;
      case 1:
        return INT32_MAX;
      case 2:
        return any(-1000, -1);
      case 3:
        return any(1000, 1000000);
      default:
        return any(-3, 12);
    }
  };
  for (UnitRecord& u : doc.units) {
    if (any(0, 2) == 0) continue;  // some units stay sound
    for (int32_t* field :
         {&u.polarity,       &u.polarityStop,    &u.polaritySweep, &u.widthIndex,
          &u.widthIndexStop, &u.widthSweep,      &u.voltage,       &u.voltageStop,
          &u.voltageStep,    &u.voltageSweep,    &u.phase,         &u.phaseStop,
          &u.phaseStep,      &u.variable,        &u.variableStop,  &u.variableStep,
          &u.triggerMode,    &u.triggerSweep,    &u.injectionLine, &u.injectionLineStop,
          &u.returnLine,     &u.returnLineStop,  &u.injectionTime, &u.injectionEndless,
          &u.intervalTime,   &u.intervalEndless, &u.lineOption,    &u.testMode,
          &u.terminator,     &u.sweepCount}) {
      if (any(0, 3) == 0) *field = wild();
    }
    if (any(0, 1) == 0) {
      for (int32_t& p : u.sweepOrder) p = any(0, 2) == 0 ? wild() : any(0, 5);
    }
  }
  for (ProgramRecord& p : doc.programs) {
    if (any(0, 3) == 0) p.times = wild();
    if (any(0, 3) == 0)
      p.steps[static_cast<size_t>(any(0, 99))] = static_cast<uint16_t>(any(0, 1200));
  }
  if (any(0, 1) == 0) doc.currentUnit = static_cast<uint16_t>(any(0, 65535));
  if (any(0, 1) == 0) doc.currentProgram = static_cast<uint16_t>(any(0, 65535));
  if (any(0, 2) == 0) doc.programMode = wild();
  if (any(0, 2) == 0) doc.showUnitNames = wild();
}

}  // namespace hvt::testing
