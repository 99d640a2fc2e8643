#include "link/InstrumentCommands.h"

#include "link/Answers.h"
#include "link/CRsBasicProtocol.h"
#include "model/CPELKDoc.h"
#include "model/StringTable.h"

namespace hvt {

namespace {

bool ValidUnit(int unitNumber) { return unitNumber >= 1 && unitNumber <= kUnitCount; }

// Line codes on the wire: the single-phase unit calls its PE line 3, the
// instrument 4; the three-phase unit's SG (5) is 4 as a return line.
int32_t WireInjectionLine(int32_t line, int32_t type) {
  return (line == 3 && type == 1) ? 4 : line;
}

int32_t WireReturnLine(int32_t line, int32_t type) {
  if (line == 3 && type == 1) return 4;
  if (line == 5 && type == 3) return 4;
  return line;
}

}  // namespace

InstrumentCommands::InstrumentCommands(CPELKDoc& doc, CRsBasicProtocol& protocol,
                                       CommandHooks hooks)
    : doc(doc), protocol(protocol), hooks(std::move(hooks)) {}

bool InstrumentCommands::SendSet(TextId codeId, const std::string& parameters) {
  if (doc.demoMode) return true;
  return protocol.SendCommand(LoadString(codeId) + parameters);
}

void InstrumentCommands::Expose(Exposure next) {
  if (next == exposed) return;
  exposed = next;
  if (exposureChanged) exposureChanged(exposed);
}

void InstrumentCommands::TakeFound(bool testRunning, bool lineOn) {
  if (doc.demoMode) return;
  Expose({testRunning, lineOn});
}

bool InstrumentCommands::SendStart() {
  if (!doc.demoMode) Expose({true, exposed.lineMayBeOn});
  return SendSet(TextId::CodeStart, "");
}

bool InstrumentCommands::SendStop() {
  const bool ok = SendSet(TextId::CodeStop, "");
  if (ok && !doc.demoMode) Expose({false, exposed.lineMayBeOn});
  return ok;
}

bool InstrumentCommands::SendTrigger() { return SendSet(TextId::CodeTrigger, ""); }

bool InstrumentCommands::SendLine(bool on) {
  if (on && !doc.demoMode) Expose({exposed.testMayRun, true});
  const bool ok = SendSet(TextId::CodeLine, on ? "1" : "0");
  if (ok && !on && !doc.demoMode) Expose({exposed.testMayRun, false});
  return ok;
}

bool InstrumentCommands::StopExposed() {
  if (exposed.testMayRun && !SendStop()) SendStop();
  if (exposed.lineMayBeOn && !SendLine(false)) SendLine(false);
  return !exposed.testMayRun && !exposed.lineMayBeOn;
}
bool InstrumentCommands::SendPause(bool pause) {
  return SendSet(TextId::CodePause, pause ? "1" : "0");
}

bool InstrumentCommands::SendStepCode(int32_t number) {
  if (doc.demoMode) return true;
  if (hooks.secondDigitRestarted) hooks.secondDigitRestarted();
  return protocol.SendCommand(LoadString(TextId::CodeStepCode) + std::to_string(number));
}

bool InstrumentCommands::SendUnit(int unitNumber) {
  if (doc.demoMode) return true;
  const std::string text = BuildUnitText(unitNumber);
  return !text.empty() && protocol.SendCommand(text);
}

std::string InstrumentCommands::BuildUnitText(int unitNumber) const {
  if (!ValidUnit(unitNumber)) return {};
  const UnitRecord& u = doc.unit(unitNumber);
  const bool sweep = u.testMode == 1;
  const bool variable = u.triggerMode == 1;
  const bool oneShot = hooks.oneShotMode && hooks.oneShotMode();
  auto num = [](int32_t v) { return std::to_string(v); };

  std::string f[15];
  f[0] = u.testMode == 0 ? "0" : num((u.voltageSweep ? 1 : 0) + (u.triggerSweep ? 2 : 0));
  f[1] = num(u.voltage);
  f[2] = (sweep && u.voltageSweep) ? num(u.voltageStop) : "0";
  f[3] = (sweep && u.voltageSweep) ? num(u.voltageStep) : "0";
  if (variable) {
    f[4] = num(u.variable);
    f[5] = (sweep && u.triggerSweep) ? num(u.variableStop) : "0";
    f[6] = (sweep && u.triggerSweep) ? num(u.variableStep) : "0";
  } else {
    f[4] = num(u.phase);
    f[5] = num(u.phaseStop);
    f[6] = num(u.phaseStep);
  }
  f[7] = u.sweepOrder[5] == kSweepVoltage ? "0" : "1";
  f[8] = num(u.widthIndex);
  f[9] = std::string(1, static_cast<char>('0' + (u.polarity == 1 ? 8 : 0) + (oneShot ? 4 : 0) +
                                          (u.lineOption ? 2 : 0) + (variable ? 1 : 0)));
  f[10] = num(WireInjectionLine(u.injectionLine, doc.injectionUnitType));
  f[11] = num(WireReturnLine(u.returnLine, doc.injectionUnitType));
  f[12] = u.injectionEndless ? "10000" : num(u.injectionTime);
  f[13] = u.intervalEndless ? "1000" : num(u.intervalTime);
  switch (u.terminator) {
    case kTerminatorOpen:
      f[14] = "0";
      break;
    case kTerminatorInt:
      f[14] = "1";
      break;
    case kTerminatorExt50:
      // The built-in terminator sits on the last line before SG.
      f[14] = (u.injectionLine == doc.lastLine - 1 && doc.builtInTerminator) ? "3" : "2";
      break;
    default:
      f[14] = "2";
      break;
  }
  std::string text = LoadString(TextId::CodeUnit);
  for (int i = 0; i < 15; ++i) {
    if (i > 0) text += '/';
    text += f[i];
  }
  return text;
}

bool InstrumentCommands::SendLevels(int unitNumber, SweepPoint& sweepPoint) {
  if (!ValidUnit(unitNumber)) return false;
  const UnitRecord& u = doc.unit(unitNumber);
  const int32_t tab = hooks.testModeTab ? hooks.testModeTab() : u.testMode;
  const bool manual = tab == 0;
  if (manual || !u.voltageSweep) {
    if (!doc.demoMode &&
        !protocol.SendCommand(LoadString(TextId::CodeVoltage) + std::to_string(u.voltage))) {
      return false;
    }
    sweepPoint.voltage = hooks.workingVoltage ? hooks.workingVoltage() : u.voltage;
  }
  if (manual || !u.triggerSweep) {
    const int32_t value = u.triggerMode == 0 ? u.phase : u.variable;
    if (u.triggerMode == 0) {
      sweepPoint.phase = value;
    } else {
      sweepPoint.variable = value;
    }
    if (doc.demoMode) return true;
    return protocol.SendCommand(LoadString(TextId::CodeTriggerValue) + std::to_string(value));
  }
  return true;
}

std::optional<std::string> InstrumentCommands::QueryWithRetry(TextId codeId) {
  const std::string& code = LoadString(codeId);
  if (!protocol.Query(code) && !protocol.Query(code)) return std::nullopt;
  std::string answer = protocol.GetAnswer();
  if (code.size() < 2 || answer.size() < 2 || answer[0] != 'A' || answer[1] != code[1]) {
    return std::nullopt;
  }
  return answer;
}

std::string InstrumentCommands::QueryStatus() {
  const auto answer = QueryWithRetry(TextId::CodeStatus);
  return answer ? StatusFromAnswer(*answer) : std::string();
}

int32_t InstrumentCommands::QueryErrorCode() {
  const auto answer = QueryWithRetry(TextId::CodeErrorCode);
  return answer ? ErrorCodeFromAnswer(*answer) : -1;
}

uint8_t InstrumentCommands::QueryLineState() {
  const auto answer = QueryWithRetry(TextId::CodeLineState);
  return answer ? LineStateFromAnswer(*answer) : 0xFF;
}

std::string InstrumentCommands::QueryVoltage() {
  const auto answer = QueryWithRetry(TextId::CodeVoltageQuery);
  return answer ? TextAfterPrefix(*answer, 'E').value_or("") : std::string();
}

std::string InstrumentCommands::QueryTriggerValue() {
  const auto answer = QueryWithRetry(TextId::CodeTriggerQuery);
  return answer ? TextAfterPrefix(*answer, 'F').value_or("") : std::string();
}

bool InstrumentCommands::QueryProgress(int unitNumber, int32_t& injectionCount,
                                       int32_t& intervalCount, SweepPoint& point,
                                       int32_t& unitChange, int32_t& secondsDigit) {
  if (!ValidUnit(unitNumber)) return false;
  const auto answer = QueryWithRetry(TextId::CodeProgress);
  if (!answer) return false;
  const auto progress = ParseProgressAnswer(*answer);
  if (!progress) return false;
  const UnitRecord& u = doc.unit(unitNumber);
  injectionCount = progress->injectionCount;
  intervalCount = progress->intervalCount;
  point.voltage = progress->voltage;
  if (u.triggerMode == 0) {
    point.phase = progress->triggerValue;
  } else {
    point.variable = progress->triggerValue;
  }
  unitChange = progress->unitChange;
  secondsDigit = progress->secondsDigit;
  const int32_t limit = hooks.voltageLimit ? hooks.voltageLimit() : doc.VoltageLimit(u.terminator);
  return ProgressInRange(*progress, u.triggerMode, limit);
}

}  // namespace hvt
