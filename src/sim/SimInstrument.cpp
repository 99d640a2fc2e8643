#include "sim/SimInstrument.h"

#include <cstdio>
#include <vector>

namespace hvt::sim {

namespace {

constexpr int kEndlessInjection = 10000;
constexpr int kEndlessInterval = 1000;

std::optional<int> StrictNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// One sweep level: the same arithmetic as the program's own stepping, except
// that a step of 0 always carries (the program keeps steps non-zero).
bool StepLevel(int& current, int start, int stop, int step) {
  if (step <= 0) {
    current = start;
    return true;
  }
  if (start > stop) {
    current -= step;
    if (current < stop) {
      current = start;
      return true;
    }
    return false;
  }
  current += step;
  if (current > stop) {
    current = start;
    return true;
  }
  return false;
}

}  // namespace

std::optional<UnitConditions> ParseUnitConditions(std::string_view parameters) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t slash = parameters.find('/', start);
    fields.push_back(
        parameters.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (fields.size() != 15) return std::nullopt;
  int values[15];
  for (size_t i = 0; i < 15; ++i) {
    if (i == 9) {
      if (fields[i].size() != 1 || fields[i][0] < '0' || fields[i][0] > '?') return std::nullopt;
      values[i] = fields[i][0] - '0';
      continue;
    }
    const auto value = StrictNumber(fields[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  UnitConditions u;
  u.sweepSelector = values[0];
  u.voltage = values[1];
  u.voltageStop = values[2];
  u.voltageStep = values[3];
  u.trigger = values[4];
  u.triggerStop = values[5];
  u.triggerStep = values[6];
  u.order = values[7];
  u.widthIndex = values[8];
  u.option = values[9];
  u.injectionLine = values[10];
  u.returnLine = values[11];
  u.injectionTime = values[12];
  u.intervalTime = values[13];
  u.terminator = values[14];
  if (u.sweepSelector < 0 || u.sweepSelector > 3) return std::nullopt;
  if (u.injectionTime < 1 || u.injectionTime > kEndlessInjection) return std::nullopt;
  if (u.intervalTime < 0 || u.intervalTime > kEndlessInterval) return std::nullopt;
  return u;
}

SimInstrument::SimInstrument(InstrumentOptions options) : options(std::move(options)) {
  voltage = unit.voltage;
  trigger = unit.trigger;
}

Reply SimInstrument::Handle(std::string_view text, int64_t nowMs) {
  Advance(nowMs);
  const Reply ack{Reply::Ack, {}};
  const Reply nak{Reply::Nak, {}};
  auto answer = [](std::string text) { return Reply{Reply::Answer, std::move(text)}; };
  if (text.size() < 2) return nak;
  const std::string_view code = text.substr(0, 2);
  const std::string_view rest = text.substr(2);
  const bool bare = rest.empty();

  if (code == "QA" && bare) return answer(options.identity);
  if (code == "QM" && bare) {
    // Widths go out in units of 50 ns.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "AM%03d/%d/", options.maxVoltage,
                  options.injectionUnitType);
    std::string text = buffer;
    for (int ns : options.widths) text += std::to_string(ns / 50) + "/";
    text += options.triangle ? "1/" : "0/";
    return answer(text);
  }
  if (code == "QO" && bare) return options.terminator ? answer("AO") : nak;
  if (code == "QG" && bare) return answer(StatusAnswer());
  if (code == "QH" && bare) return answer(ProgressAnswer());
  if (code == "QN" && bare) return answer("AN" + std::to_string(errorCode));
  if (code == "QC" && bare) return answer(lineOn ? "AC1" : "AC0");
  if (code == "QE" && bare) return answer("AE" + std::to_string(voltage));
  if (code == "QF" && bare) return answer("AF" + std::to_string(trigger));

  if (code == "PD") {
    const auto conditions = ParseUnitConditions(rest);
    if (!conditions) return nak;
    if (running) {
      // Held for the sequence: it runs after the current unit's interval.
      pendingUnit = conditions;
      nextUnitRequest = false;
    } else {
      unit = *conditions;
      voltage = unit.voltage;
      trigger = unit.trigger;
    }
    return ack;
  }
  if (code == "CA" && bare) {
    if (!running) {
      StartTest(nowMs);
    } else if (phase == Phase::Injection && injectionLeft == kEndlessInjection) {
      EndInjection();  // NEXT ends an Endless phase
    } else if (phase == Phase::Interval && intervalLeft == kEndlessInterval) {
      EndInterval();
    }
    return ack;
  }
  if (code == "CB" && bare) {
    if (running) EndTest(false, false);
    stopped = false;
    externalStop = false;
    errorCode = 0;
    return ack;
  }
  if (code == "CC" && bare) {
    if (running && !paused && unit.OneShot() && phase == Phase::Injection) ++shots;
    return ack;
  }
  if (code == "CD" && (rest == "0" || rest == "1")) {
    if (running && rest == "1" && !paused) {
      paused = true;
      pausedRemainder = nextSecondAt - nowMs;
    } else if (running && rest == "0" && paused) {
      paused = false;
      nextSecondAt = nowMs + pausedRemainder;
    }
    return ack;
  }
  if (code == "PC" && (rest == "0" || rest == "1")) {
    lineOn = rest == "1";
    return ack;
  }
  if (code == "PE" || code == "PF" || code == "PI") {
    const auto value = StrictNumber(rest);
    if (!value) return nak;
    if (code == "PE") voltage = *value;
    if (code == "PF") trigger = *value;
    if (code == "PI") digitBase = testSeconds;
    return ack;
  }
  return nak;
}

void SimInstrument::Advance(int64_t nowMs) {
  while (running && !paused && nowMs >= nextSecondAt) {
    nextSecondAt += 1000;
    OneSecond();
  }
}

std::optional<int64_t> SimInstrument::NextEventMs() const {
  if (!running || paused) return std::nullopt;
  return nextSecondAt;
}

void SimInstrument::RaiseError(int code, int64_t nowMs) {
  Advance(nowMs);
  errorCode = code;
  // The instrument drops the EUT supply on any error.
  lineOn = false;
  if (running) EndTest(true, false);
}

void SimInstrument::PanelStop(int64_t nowMs) {
  Advance(nowMs);
  if (running) EndTest(true, false);
}

void SimInstrument::ExternalStop(int64_t nowMs) {
  Advance(nowMs);
  if (running) EndTest(true, true);
}

void SimInstrument::PanelLineOff(int64_t nowMs) {
  Advance(nowMs);
  lineOn = false;
}

std::string SimInstrument::StatusAnswer() const {
  const int first = (running ? 1 : 0) | (stopped ? 2 : 0) | (running && paused ? 4 : 0) |
                    (running && nextUnitRequest ? 8 : 0);
  const int second = (errorCode != 0 ? 1 : 0) | (lineOn ? 2 : 0) | (externalStop ? 8 : 0);
  return std::string("AG") + static_cast<char>('0' + first) + static_cast<char>('0' + second);
}

std::string SimInstrument::ProgressAnswer() const {
  const int injection = running && phase == Phase::Injection ? injectionLeft : 0;
  const int interval = running && phase == Phase::Interval ? intervalLeft : 0;
  const int digit = static_cast<int>((testSeconds - digitBase) % 10);
  return "AH" + std::to_string(injection) + "/" + std::to_string(interval) + "/" +
         std::to_string(voltage) + "/" + std::to_string(trigger) + "/" +
         std::to_string(unitToggle) + "/" + std::to_string(digit);
}

void SimInstrument::StartTest(int64_t nowMs) {
  running = true;
  paused = false;
  stopped = false;
  externalStop = false;
  errorCode = 0;
  pendingUnit.reset();
  nextUnitRequest = true;
  unitToggle = 0;
  shots = 0;
  testSeconds = 0;
  digitBase = 0;
  nextSecondAt = nowMs + 1000;
  voltage = unit.voltage;
  trigger = unit.trigger;
  StartPoint();
}

void SimInstrument::EndTest(bool stoppedByReason, bool external) {
  running = false;
  paused = false;
  nextUnitRequest = false;
  pendingUnit.reset();
  stopped = stoppedByReason;
  externalStop = external;
  injectionLeft = 0;
  intervalLeft = 0;
}

void SimInstrument::StartPoint() {
  phase = Phase::Injection;
  injectionLeft = unit.injectionTime;
  intervalLeft = 0;
}

void SimInstrument::OneSecond() {
  ++testSeconds;
  if (phase == Phase::Injection) {
    if (injectionLeft == kEndlessInjection) return;
    if (--injectionLeft > 0) return;
    EndInjection();
  } else {
    if (intervalLeft == kEndlessInterval) return;
    if (--intervalLeft > 0) return;
    EndInterval();
  }
}

bool SimInstrument::IntervalFollows() const { return unit.intervalTime > 0; }

void SimInstrument::EndInjection() {
  injectionLeft = 0;
  if (!HasNextPoint() && !pendingUnit) {
    // Nothing more to run: the last injection ends the test.
    EndTest(false, false);
    return;
  }
  if (IntervalFollows()) {
    phase = Phase::Interval;
    intervalLeft = unit.intervalTime;
    return;
  }
  EndInterval();
}

void SimInstrument::EndInterval() {
  intervalLeft = 0;
  if (HasNextPoint()) {
    StepSweep(voltage, trigger);
  } else if (pendingUnit) {
    unit = *pendingUnit;
    pendingUnit.reset();
    unitToggle ^= 1;
    nextUnitRequest = true;
    voltage = unit.voltage;
    trigger = unit.trigger;
  } else {
    EndTest(false, false);
    return;
  }
  StartPoint();
}

bool SimInstrument::StepSweep(int& v, int& t) const {
  // Levels from the inner one out; a carry moves one level out, and a carry
  // of the outermost level means the grid is done.
  struct Level {
    int* current;
    int start, stop, step;
  };
  Level levels[2];
  int count = 0;
  const Level voltageLevel{&v, unit.voltage, unit.voltageStop, unit.voltageStep};
  const Level triggerLevel{&t, unit.trigger, unit.triggerStop, unit.triggerStep};
  if (unit.VoltageSwept() && unit.TriggerSwept()) {
    levels[0] = unit.order == 0 ? voltageLevel : triggerLevel;
    levels[1] = unit.order == 0 ? triggerLevel : voltageLevel;
    count = 2;
  } else if (unit.VoltageSwept()) {
    levels[0] = voltageLevel;
    count = 1;
  } else if (unit.TriggerSwept()) {
    levels[0] = triggerLevel;
    count = 1;
  }
  for (int i = 0; i < count; ++i) {
    if (!StepLevel(*levels[i].current, levels[i].start, levels[i].stop, levels[i].step))
      return true;
  }
  return false;
}

bool SimInstrument::HasNextPoint() const {
  int v = voltage;
  int t = trigger;
  return StepSweep(v, t);
}

}  // namespace hvt::sim
