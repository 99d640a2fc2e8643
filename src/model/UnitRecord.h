#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hvt {

// Indices into sweepOrder and sweepNames.
enum SweepParameter : int {
  kSweepPolarity = 0,
  kSweepWidth = 1,
  kSweepVoltage = 2,
  kSweepTrigger = 3,
  kSweepInjection = 4,
  kSweepReturn = 5,
};

enum Terminator : int {
  kTerminatorOpen = 0,
  kTerminatorInt = 1,
  kTerminatorExt50 = 2,
  kTerminatorExt60 = 3,
};

// One set of test conditions. Member order is the in-memory order; the file
// order differs (see DocumentFile.cpp).
struct UnitRecord {
  int32_t polarity = 0;  // 0 "+", 1 "-"
  int32_t polarityStop = 1;
  int32_t polaritySweep = 0;
  int32_t widthIndex = 0;  // index into CPELKDoc::widthTable
  int32_t widthIndexStop = 0;
  int32_t widthSweep = 0;
  int32_t voltage = 1;  // 0.01 kV
  int32_t voltageStop = 2;
  int32_t voltageStep = 1;
  int32_t voltageSweep = 0;
  int32_t phase = 0;  // degrees
  int32_t phaseStop = 1;
  int32_t phaseStep = 1;
  int32_t variable = 20;  // ms
  int32_t variableStop = 21;
  int32_t variableStep = 1;
  int32_t triggerMode = 1;  // 0 Phase, 1 Variable
  int32_t triggerSweep = 0;
  int32_t injectionLine = 0;  // line code
  int32_t injectionLineStop = 1;
  int32_t injectionSweep = 0;  // not stored in files
  int32_t returnLine = 5;      // lastLine ("SG") of the instrument
  int32_t returnLineStop = 3;
  int32_t returnSweep = 0;    // not stored in files
  int32_t injectionTime = 1;  // s
  int32_t injectionEndless = 1;
  int32_t intervalTime = 1;  // s
  int32_t intervalEndless = 0;
  int32_t lineOption = 1;
  std::string name;      // bytes in the document's code page
  int32_t testMode = 0;  // 0 MANUAL, 1 SWEEP
  int32_t terminator = kTerminatorInt;
  std::array<int32_t, 6> sweepOrder{4, 5, 0, 1, 2, 3};  // outermost first
  int32_t sweepCount = 0;

  // The values of a unit in a new document.
  static UnitRecord NewUnit(int number, int lastLine);

  bool operator==(const UnitRecord&) const = default;
};

}  // namespace hvt
