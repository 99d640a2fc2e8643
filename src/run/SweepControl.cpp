#include "run/SweepControl.h"

#include <cstdlib>

#include "model/StringTable.h"
#include "run/RunWiring.h"

namespace hvt {

namespace {

bool ValidUnit(int n) { return n >= 1 && n <= kUnitCount; }

// Voltage and trigger stepping: the stop value is a grid point; passing it
// wraps to the start with a carry. A step that is not positive gives the
// level one value (it carries at once, in either direction), as the
// instrument does: a level that never carries would hold every outer level
// and the run would never end.
int32_t StepValue(int32_t& current, int32_t start, int32_t stop, int32_t step) {
  if (step <= 0) {
    current = start;
    return 1;
  }
  const long long next = static_cast<long long>(current) + (start > stop ? -step : step);
  if (start > stop ? next < stop : next > stop) {
    current = start;
    return 1;
  }
  current = static_cast<int32_t>(next);
  return 0;
}

// The values a voltage or trigger level still visits from s, s included.
long long ValuesFrom(int32_t s, int32_t start, int32_t stop, int32_t step) {
  if (step <= 0) return 1;
  const long long d =
      start > stop ? static_cast<long long>(s) - stop : static_cast<long long>(stop) - s;
  return d < 0 ? 1 : d / step + 1;
}

}  // namespace

std::vector<int> SweepControl::RunLevels(int unitNumber) const {
  std::vector<int> levels;
  if (!ValidUnit(unitNumber)) return levels;
  const UnitRecord& u = with.doc.unit(unitNumber);
  if (u.testMode != 1) return levels;
  // With an instrument only what the unit command carries is stepped: the
  // instrument is told of no polarity or width sweep. Lines are never
  // stepped, so they are no level either (one that never carries would hold
  // the levels outside it for ever).
  const bool demo = with.doc.demoMode != 0;
  const bool swept[4] = {demo && u.polaritySweep != 0, demo && u.widthSweep != 0,
                         u.voltageSweep != 0, u.triggerSweep != 0};
  bool placed[4] = {};
  std::vector<int> ordered;
  for (int32_t p : u.sweepOrder) {
    if (p >= 0 && p < 4 && swept[p] && !placed[p]) {
      placed[p] = true;
      ordered.push_back(p);
    }
  }
  // A swept parameter the order does not name goes outside the named ones,
  // as setting its flag on the form would have put it.
  for (int p = 0; p < 4; ++p) {
    if (swept[p] && !placed[p]) levels.push_back(p);
  }
  levels.insert(levels.end(), ordered.begin(), ordered.end());
  return levels;
}

bool SweepControl::IsSweepUnit(int unitNumber) const { return !RunLevels(unitNumber).empty(); }

void SweepControl::LoadRunCounters(int unitNumber) {
  if (!ValidUnit(unitNumber)) return;
  const UnitRecord& u = with.doc.unit(unitNumber);
  state.sweepPoint = SweepPoint{u.polarity, u.widthIndex,    u.voltage,   u.phase,
                                u.variable, u.injectionLine, u.returnLine};
  state.injectionLeft = u.injectionEndless ? 1 : u.injectionTime;
  state.intervalLeft = u.intervalEndless ? 1 : u.intervalTime;
}

int32_t SweepControl::PolarityStop(const UnitRecord& u) const {
  // The direction comes from the active unit's stop value.
  return ValidUnit(with.status.activeUnit) ? with.doc.unit(with.status.activeUnit).polarityStop
                                           : u.polarityStop;
}

int32_t SweepControl::StepParameter(int parameter, const UnitRecord& u) {
  SweepPoint& p = state.sweepPoint;
  switch (parameter) {
    case kSweepPolarity: {
      p.polarity += u.polarity > PolarityStop(u) ? -1 : 1;
      if (p.polarity < 0 || p.polarity > 1) {
        p.polarity = u.polarity;
        return 1;
      }
      return 0;
    }
    case kSweepWidth:
      if (u.widthIndex > u.widthIndexStop) {
        if (--p.widthIndex < u.widthIndexStop) {
          p.widthIndex = u.widthIndex;
          return 1;
        }
      } else if (++p.widthIndex > u.widthIndexStop) {
        p.widthIndex = u.widthIndex;
        return 1;
      }
      return 0;
    case kSweepVoltage:
      return StepValue(p.voltage, u.voltage, u.voltageStop, u.voltageStep);
    case kSweepTrigger:
      if (u.triggerMode == 1)
        return StepValue(p.variable, u.variable, u.variableStop, u.variableStep);
      return StepValue(p.phase, u.phase, u.phaseStop, u.phaseStep);
    default:
      return 0;  // lines are not stepped
  }
}

long long SweepControl::LevelValuesFrom(int parameter, const UnitRecord& u,
                                        bool fromCurrent) const {
  const SweepPoint& p = state.sweepPoint;
  switch (parameter) {
    case kSweepPolarity: {
      const int32_t s = fromCurrent ? p.polarity : u.polarity;
      const int32_t next = s + (u.polarity > PolarityStop(u) ? -1 : 1);
      const bool inRange = s >= 0 && s <= 1;
      return inRange && next >= 0 && next <= 1 ? 2 : 1;
    }
    case kSweepWidth: {
      const long long s = fromCurrent ? p.widthIndex : u.widthIndex;
      const long long d =
          u.widthIndex > u.widthIndexStop ? s - u.widthIndexStop : u.widthIndexStop - s;
      return d < 0 ? 1 : d + 1;
    }
    case kSweepVoltage:
      return ValuesFrom(fromCurrent ? p.voltage : u.voltage, u.voltage, u.voltageStop,
                        u.voltageStep);
    case kSweepTrigger:
      if (u.triggerMode == 1)
        return ValuesFrom(fromCurrent ? p.variable : u.variable, u.variable, u.variableStop,
                          u.variableStep);
      return ValuesFrom(fromCurrent ? p.phase : u.phase, u.phase, u.phaseStop, u.phaseStep);
    default:
      return 1;
  }
}

int32_t SweepControl::SweepStep(int level, int unitNumber) {
  if (!ValidUnit(unitNumber) || level < 0 || level > 5) return 0;
  const UnitRecord& u = with.doc.unit(unitNumber);
  return StepParameter(u.sweepOrder[static_cast<size_t>(level)], u);
}

void SweepControl::AdvanceSweep(int unitNumber) {
  if (!ValidUnit(unitNumber)) return;
  const UnitRecord& u = with.doc.unit(unitNumber);
  // Innermost level first; a carry moves one level out, and a carry of the
  // outermost wraps the grid to its start (the caller has asked
  // RemainingSteps whether the sweep is over).
  const std::vector<int> levels = RunLevels(unitNumber);
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    if (!StepParameter(*it, u)) break;
  }
  state.injectionLeft = u.injectionEndless ? 1 : u.injectionTime;
  state.intervalLeft = u.intervalEndless ? 1 : u.intervalTime;
  ShowSweepValues(true);
}

void SweepControl::TakePoint(const SweepPoint& point) { state.sweepPoint = point; }

void SweepControl::SetPhaseTimes(int32_t injection, int32_t interval) {
  state.injectionLeft = injection;
  state.intervalLeft = interval;
}

int32_t SweepControl::CountDownInjection() { return --state.injectionLeft; }

int32_t SweepControl::CountDownInterval() { return --state.intervalLeft; }

int32_t SweepControl::RemainingSteps(int unitNumber, bool fromCurrent) const {
  if (!ValidUnit(unitNumber)) return 0;
  const UnitRecord& u = with.doc.unit(unitNumber);
  // The product of the values still ahead in each level the run steps: 0
  // exactly when every level stands on its last value, which ends a sweep.
  long long n = 1;
  for (int parameter : RunLevels(unitNumber)) {
    n *= LevelValuesFrom(parameter, u, fromCurrent);
    // Damaged documents could make the product huge; the estimate saturates.
    if (n > INT32_MAX) n = INT32_MAX;
  }
  return static_cast<int32_t>(n - 1);
}

int32_t SweepControl::UnitRunSeconds(int unitNumber, bool fromCurrent) const {
  if (!ValidUnit(unitNumber)) return 0;
  const UnitRecord& u = with.doc.unit(unitNumber);
  const long long injection = u.injectionEndless ? 1 : u.injectionTime;
  if (!IsSweepUnit(unitNumber)) return static_cast<int32_t>(injection);
  const long long r = RemainingSteps(unitNumber, fromCurrent);
  const long long interval = u.intervalEndless ? 1 : u.intervalTime;
  long long total = (r + 1) * injection + r * interval;
  if (total > INT32_MAX) total = INT32_MAX;
  if (total < INT32_MIN) total = INT32_MIN;
  return static_cast<int32_t>(total);
}

std::string SweepControl::ParameterText(int parameter, bool current) const {
  if (!ValidUnit(with.status.activeUnit)) return {};
  const UnitRecord& u = with.doc.unit(with.status.activeUnit);
  const SweepPoint& p = state.sweepPoint;
  const CPELKDoc& doc = with.doc;
  auto lineName = [&](int32_t code) {
    return code >= 0 && code < 6 ? doc.lineNames[static_cast<size_t>(code)] : std::string();
  };
  switch (parameter) {
    case kSweepPolarity:
      return LoadString((current ? p.polarity : u.polarity) == 0 ? TextId::Plus : TextId::Minus);
    case kSweepWidth: {
      const int32_t width = current ? p.widthIndex : u.widthIndex;
      if (width < 0 || width >= 9) return {};
      const int32_t ns = doc.widthTable[static_cast<size_t>(width)];
      return ns == -1 ? LoadString(TextId::Triangle) : std::to_string(ns);
    }
    case kSweepVoltage:
      return VoltageDisplayText(current ? p.voltage : u.voltage);
    case kSweepTrigger:
      return std::to_string(u.triggerMode == 1 ? (current ? p.variable : u.variable)
                                               : (current ? p.phase : u.phase));
    case kSweepInjection:
      return lineName(current ? p.injectionLine : u.injectionLine);
    case kSweepReturn:
      return lineName(current ? p.returnLine : u.returnLine);
    default:
      return {};
  }
}

void SweepControl::ShowSweepValues(bool current) {
  if (!ValidUnit(with.status.activeUnit)) return;
  for (int parameter = 0; parameter < 6; ++parameter)
    SetSequenceLabel(parameter, ParameterText(parameter, current));
}

void SweepControl::SetSequenceLabel(int parameter, const std::string& text) {
  if (!ValidUnit(with.status.activeUnit)) return;
  const auto& order = with.doc.unit(with.status.activeUnit).sweepOrder;
  for (int i = 0; i < 6; ++i) {
    if (order[static_cast<size_t>(i)] == parameter) {
      with.form.SetText(Offset(ControlId::SequenceValue0, i), text);
      return;
    }
  }
}

}  // namespace hvt
