#include "run/SweepControl.h"

#include <cstdlib>

#include "model/StringTable.h"
#include "run/CPELKView.h"

namespace hvt {

namespace {

constexpr int kSweepNameIds[6] = {3051, 3054, 3076, 2015, 3070, 3073};
constexpr int kPlusText = 3000;
constexpr int kMinusText = 3001;

bool ValidUnit(int n) { return n >= 1 && n <= kUnitCount; }

// Voltage and trigger stepping: the stop value is a grid point; passing it
// wraps to the start with a carry. A zero step upwards carries at once.
int32_t StepValue(int32_t& current, int32_t start, int32_t stop, int32_t step) {
  if (start > stop) {
    const long long next = static_cast<long long>(current) - step;
    if (next < stop) {
      current = start;
      return 1;
    }
    current = static_cast<int32_t>(next);
    return 0;
  }
  if (step == 0) return 1;
  const long long next = static_cast<long long>(current) + step;
  if (next > stop) {
    current = start;
    return 1;
  }
  current = static_cast<int32_t>(next);
  return 0;
}

// One level's count of values from s to the stop: |stop - s| / step + 1.
// A zero step counts one value, as stepping then carries at once.
long long LevelCount(int32_t s, int32_t stop, int32_t step) {
  const long long d = std::llabs(static_cast<long long>(stop) - s);
  if (d == 0 || step == 0) return 1;
  return d / std::llabs(static_cast<long long>(step)) + 1;
}

}  // namespace

bool SweepControl::IsSweepUnit(const UnitRecord& unit) {
  return unit.testMode == 1 && unit.sweepCount > 0;
}

void SweepControl::LoadRunCounters(int unitNumber) {
  if (!ValidUnit(unitNumber)) return;
  const UnitRecord& u = view.doc.unit(unitNumber);
  view.sweepPoint = SweepPoint{u.polarity, u.widthIndex,    u.voltage,   u.phase,
                               u.variable, u.injectionLine, u.returnLine};
  view.injectionLeft = u.injectionEndless ? 1 : u.injectionTime;
  view.intervalLeft = u.intervalEndless ? 1 : u.intervalTime;
}

int32_t SweepControl::SweepStep(int level, int unitNumber) {
  if (!ValidUnit(unitNumber) || level < 0 || level > 5) return 0;
  const UnitRecord& u = view.doc.unit(unitNumber);
  SweepPoint& p = view.sweepPoint;
  switch (u.sweepOrder[static_cast<size_t>(level)]) {
    case kSweepPolarity: {
      // The direction comes from the active unit's stop value.
      const int32_t stop =
          ValidUnit(view.activeUnit) ? view.doc.unit(view.activeUnit).polarityStop : u.polarityStop;
      p.polarity += u.polarity > stop ? -1 : 1;
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

void SweepControl::AdvanceSweep(int level, int unitNumber) {
  if (!ValidUnit(unitNumber)) return;
  const int outermost = 6 - view.sweepLevels;
  while (SweepStep(level, unitNumber) && level > outermost) --level;
  const UnitRecord& u = view.doc.unit(unitNumber);
  if (u.injectionEndless) {
    view.injectionLeft = 1;
    view.endlessInjection = 1;
    view.enabling.UpdateRunControls();
  } else {
    view.injectionLeft = u.injectionTime;
  }
  view.intervalLeft = u.intervalEndless ? 1 : u.intervalTime;
  ShowSweepValues(true);
}

int32_t SweepControl::RemainingSteps(int unitNumber, bool fromCurrent) const {
  if (!ValidUnit(unitNumber)) return 0;
  const UnitRecord& u = view.doc.unit(unitNumber);
  const SweepPoint& p = view.sweepPoint;
  // Polarity visits two values except from 1 towards 1; from the current
  // point only the values still ahead count, so a polarity sweep can end.
  long long n = 1;
  if (u.polaritySweep) {
    const int32_t stop =
        ValidUnit(view.activeUnit) ? view.doc.unit(view.activeUnit).polarityStop : u.polarityStop;
    const bool twoValues = !(u.polarity == 1 && stop >= 1);
    n = twoValues && !(fromCurrent && p.polarity != u.polarity) ? 2 : 1;
  }
  if (u.widthSweep) {
    const int32_t s = fromCurrent ? p.widthIndex : u.widthIndex;
    n *= std::llabs(static_cast<long long>(s) - u.widthIndexStop) + 1;
  }
  if (u.voltageSweep && u.voltageStep != 0) {
    n *= LevelCount(fromCurrent ? p.voltage : u.voltage, u.voltageStop, u.voltageStep);
  }
  if (u.triggerSweep) {
    if (u.triggerMode == 1) {
      n *= LevelCount(fromCurrent ? p.variable : u.variable, u.variableStop, u.variableStep);
    } else {
      n *= LevelCount(fromCurrent ? p.phase : u.phase, u.phaseStop, u.phaseStep);
    }
  }
  // Damaged documents could make the product huge; the estimate saturates.
  if (n > INT32_MAX) n = INT32_MAX;
  return static_cast<int32_t>(n - 1);
}

int32_t SweepControl::UnitRunSeconds(int unitNumber, bool fromCurrent) const {
  if (!ValidUnit(unitNumber)) return 0;
  const UnitRecord& u = view.doc.unit(unitNumber);
  const long long injection = u.injectionEndless ? 1 : u.injectionTime;
  if (!IsSweepUnit(u)) return static_cast<int32_t>(injection);
  const long long r = RemainingSteps(unitNumber, fromCurrent);
  const long long interval = u.intervalEndless ? 1 : u.intervalTime;
  long long total = (r + 1) * injection + r * interval;
  if (total > INT32_MAX) total = INT32_MAX;
  if (total < INT32_MIN) total = INT32_MIN;
  return static_cast<int32_t>(total);
}

void SweepControl::ShowSweepValues(bool current) {
  if (!ValidUnit(view.activeUnit)) return;
  const UnitRecord& u = view.doc.unit(view.activeUnit);
  const SweepPoint& p = view.sweepPoint;
  const CPELKDoc& doc = view.doc;
  const int32_t polarity = current ? p.polarity : u.polarity;
  const int32_t width = current ? p.widthIndex : u.widthIndex;
  const int32_t voltage = current ? p.voltage : u.voltage;
  const int32_t trigger =
      u.triggerMode == 1 ? (current ? p.variable : u.variable) : (current ? p.phase : u.phase);
  const int32_t injection = current ? p.injectionLine : u.injectionLine;
  const int32_t ret = current ? p.returnLine : u.returnLine;

  auto lineName = [&](int32_t code) {
    return code >= 0 && code < 6 ? doc.lineNames[static_cast<size_t>(code)] : std::string();
  };
  std::string widthText;
  if (width >= 0 && width < 9) {
    const int32_t ns = doc.widthTable[static_cast<size_t>(width)];
    widthText = ns == -1 ? LoadString(ids::kTriangle) : std::to_string(ns);
  }
  SetSequenceLabel(kSweepPolarity, LoadString(polarity == 0 ? kPlusText : kMinusText));
  SetSequenceLabel(kSweepWidth, widthText);
  SetSequenceLabel(kSweepVoltage, VoltageDisplayText(voltage));
  SetSequenceLabel(kSweepTrigger, std::to_string(trigger));
  SetSequenceLabel(kSweepInjection, lineName(injection));
  SetSequenceLabel(kSweepReturn, lineName(ret));
}

void SweepControl::SetSequenceLabel(int parameter, const std::string& text) {
  if (!ValidUnit(view.activeUnit)) return;
  const auto& order = view.doc.unit(view.activeUnit).sweepOrder;
  for (int i = 0; i < 6; ++i) {
    if (order[static_cast<size_t>(i)] == parameter) {
      view.form.SetText(Offset(ControlId::SequenceValue0, i), text);
      return;
    }
  }
}

void SweepControl::FillSequenceCombos() {
  if (!ValidUnit(view.activeUnit)) return;
  const UnitRecord& u = view.doc.unit(view.activeUnit);
  const int32_t flags[6] = {u.polaritySweep, u.widthSweep,     u.voltageSweep,
                            u.triggerSweep,  u.injectionSweep, u.returnSweep};
  std::vector<std::string> all, swept;
  for (int p = 0; p < 6; ++p) {
    all.push_back(LoadString(kSweepNameIds[p]));
    if (flags[p]) swept.push_back(all.back());
  }
  for (int i = 0; i < 6; ++i) {
    const bool active = i >= 6 - view.sweepLevels;
    view.form.SetItems(Offset(ControlId::SequenceCombo0, i), active ? swept : all);
  }
}

void SweepControl::RemoveFromSweepOrder(int parameter) {
  FillSequenceCombos();
  if (ValidUnit(view.activeUnit)) {
    auto& order = view.doc.unit(view.activeUnit).sweepOrder;
    int found = -1;
    for (int i = 5; i >= 0; --i) {
      if (order[static_cast<size_t>(i)] == parameter) {
        found = i;
        break;
      }
    }
    const int outside = 5 - view.sweepLevels;
    if (found >= 0 && outside >= 0 && outside <= found) {
      for (int j = found; j > outside; --j) {
        order[static_cast<size_t>(j)] = order[static_cast<size_t>(j - 1)];
      }
      order[static_cast<size_t>(outside)] = parameter;
    }
  }
  view.selections.ShowSequenceRows(view.testModeTab);
  ShowSweepValues(false);
}

}  // namespace hvt
