#include "model/CPELKDoc.h"

#include <cstdio>
#include <cstdlib>

#include "model/Settings.h"
#include "model/StringTable.h"

namespace hvt {
namespace {

// String IDs of the sweep parameter names, by sweep parameter index.
constexpr TextId kSweepNameIds[6] = {TextId::HeadingPolarity,  TextId::HeadingPulseWidth,
                                     TextId::HeadingVoltage,   TextId::Trigger,
                                     TextId::HeadingInjection, TextId::HeadingReturn};

}  // namespace

std::string NumberedName(const char* prefix, int number) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%02d", prefix, number);
  return buffer;
}

UnitRecord UnitRecord::NewUnit(int number, int lastLine) {
  UnitRecord unit;
  unit.returnLine = lastLine;
  unit.name = NumberedName("Unit", number);
  return unit;
}

ProgramRecord ProgramRecord::NewProgram(int number) {
  ProgramRecord program;
  program.name = NumberedName("Program", number);
  return program;
}

CPELKDoc::CPELKDoc(const SettingsFile* settings) {
  if (settings != nullptr)
    portNumber = PortNumberFromSetting(settings->ReadSetting("EMV", "PORT_NUM"));
}

void CPELKDoc::InitNewDocument() {
  for (int n = 1; n <= kUnitCount; ++n) unit(n) = UnitRecord::NewUnit(n, lastLine);
  currentUnit = 1;
  testMemo.clear();
  for (int n = 1; n <= kProgramCount; ++n) program(n) = ProgramRecord::NewProgram(n);
  currentProgram = 1;
  programStepCount = 0;
  programMode = 0;
  programCursor = 0;
  showUnitNames = 1;
  for (size_t i = 0; i < sweepNames.size(); ++i) sweepNames[i] = LoadString(kSweepNameIds[i]);
  for (std::string& text : eutTexts) text.clear();
  eutDeskTop = 0;
  eutFloorStand = 0;
  eutHandy = 0;
}

bool CPELKDoc::OnNewDocument() {
  InitNewDocument();
  SetModifiedFlag(false);
  return true;
}

int CPELKDoc::VoltageLimit(int terminatorCode) const {
  const bool lowVoltage = maxVoltage == 205;
  switch (terminatorCode) {
    case kTerminatorOpen:
      return lowVoltage ? 400 : 800;
    case kTerminatorExt50:
      // Without a built-in terminator the list's third entry (code 2) is
      // the external 60 ohm one, which takes the full voltage.
      if (builtInTerminator == 0) return maxVoltage;
      return lowVoltage ? 198 : 396;
    default:
      return maxVoltage;
  }
}

const ProgramRecord& CPELKDoc::CurrentProgram() const {
  static const ProgramRecord empty;
  return currentProgram >= 1 && currentProgram <= kProgramCount ? program(currentProgram) : empty;
}

uint16_t CPELKDoc::CountProgramSteps(int programNumber) {
  static const ProgramRecord empty;
  const ProgramRecord& p =
      programNumber >= 1 && programNumber <= kProgramCount ? program(programNumber) : empty;
  uint16_t count = 0;
  for (programCursor = 1; programCursor <= ProgramRecord::kPositions && p.step(programCursor) != 0;
       programCursor += 2) {
    ++count;
  }
  return count;
}

void CPELKDoc::SetLinesForType(int type) {
  if (type == 1) {
    lineNames = {"L1", "L2", "PE", "PLUG", "SG", ""};
    lastLine = 4;
  } else {
    lineNames = {"L1", "L2", "L3", "N", "PLUG", "SG"};
    lastLine = 5;
  }
}

void CPELKDoc::SetDemoConfiguration(int type) {
  maxVoltage = 410;
  minVariable = 16;
  injectionUnitType = type;
  SetLinesForType(type);
  widthTable = {10, 50, 100, 200, 400, 500, 800, 1000, -1};
  widthLast = 8;
  builtInTerminator = 1;
}

std::string VoltageDisplayText(int voltage) {
  // Work in 64 bits so INT_MIN from a damaged file still prints.
  long long v = voltage;
  const bool negative = v < 0;
  if (negative) v = -v;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld", negative ? "-" : "", v / 100, v % 100);
  return buffer;
}

}  // namespace hvt
