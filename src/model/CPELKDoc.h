#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/ProgramRecord.h"
#include "model/UnitRecord.h"

namespace hvt {

class SettingsFile;

inline constexpr int kUnitCount = 50;
inline constexpr int kProgramCount = 50;

// Outcome of the last load, consumed by the open rules.
enum LoadStatus : int {
  kLoaded = 0,
  kTypeDiffers = 1,
  kHeaderDiffers = 2,
};

// The one document: units, programs, the form's selections, report texts and
// the connected instrument's configuration.
class CPELKDoc {
 public:
  // portNumber comes from the settings file when one is given, else 1.
  explicit CPELKDoc(const SettingsFile* settings = nullptr);

  // New-document initialisation (New, start-up, instrument change). The
  // instrument configuration, portNumber, print texts and demoMode are kept.
  void InitNewDocument();
  bool OnNewDocument();

  // Highest voltage in 0.01 kV allowed into the given terminator. Code 2 is
  // the 50 ohm terminator only on an instrument with a built-in terminator.
  int VoltageLimit(int terminatorCode) const;

  // Number of steps of a program; leaves programCursor on the first odd
  // position that ended the scan.
  uint16_t CountProgramSteps(int programNumber);

  // Line names, lastLine and the demonstration widths for an injection unit
  // type (1 single-phase, anything else three-phase).
  void SetLinesForType(int type);
  // The configuration that stands in for an instrument in demonstration mode.
  void SetDemoConfiguration(int type);

  UnitRecord& unit(int number) { return units.at(static_cast<size_t>(number - 1)); }
  const UnitRecord& unit(int number) const { return units.at(static_cast<size_t>(number - 1)); }
  ProgramRecord& program(int number) { return programs.at(static_cast<size_t>(number - 1)); }
  const ProgramRecord& program(int number) const {
    return programs.at(static_cast<size_t>(number - 1));
  }

  // The current program, or an empty one while a damaged file has left
  // currentProgram outside 1..50 (loading validates nothing).
  const ProgramRecord& CurrentProgram() const;

  void SetModifiedFlag(bool value = true) { modified = value; }
  bool IsModified() const { return modified; }

  int loadStatus = kLoaded;
  std::array<UnitRecord, kUnitCount> units{};
  std::array<ProgramRecord, kProgramCount> programs{};
  uint16_t currentUnit = 1;
  uint16_t currentProgram = 1;
  uint16_t programStepCount = 0;
  int32_t programMode = 0;
  std::string testMemo;
  uint16_t programCursor = 0;
  int32_t showUnitNames = 1;
  uint16_t portNumber = 1;
  std::string printModel;
  std::string printSerial;
  std::array<int32_t, 9> widthTable{10, 50, 100, 200, 400, 500, 800, 1000, -1};
  int32_t widthLast = 8;
  std::array<std::string, 6> lineNames{"L1", "L2", "L3", "N", "PLUG", "SG"};
  std::array<std::string, 6> sweepNames{};
  int32_t lastLine = 5;
  int32_t injectionUnitType = 3;
  int32_t maxVoltage = 410;
  int32_t minVariable = 16;
  std::array<std::string, 9> eutTexts{};
  int32_t eutDeskTop = 0;
  int32_t eutFloorStand = 0;
  int32_t eutHandy = 0;
  int32_t builtInTerminator = 1;
  int32_t demoMode = 0;
  int32_t firstUpdate = 1;
  // Code page of the texts (1252, or 932 on Japanese systems, where a
  // byte-wise cut must not split a double-byte character). Not stored.
  int32_t codePage = 1252;

 private:
  bool modified = false;
};

// A voltage in 0.01 kV as shown: "0.01", "2.05", "8.00".
std::string VoltageDisplayText(int voltage);

// The one-byte-per-character "%02d" style used for default names.
std::string NumberedName(const char* prefix, int number);

}  // namespace hvt
