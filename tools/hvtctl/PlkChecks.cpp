#include "hvtctl/PlkChecks.h"

#include <string_view>

namespace hvt {
namespace {

// Pulse widths are indices into the instrument's nine-entry width table.
constexpr int kLastWidthIndex = 8;
// The shortest Variable period of any instrument (the 2.05 kV model's).
constexpr int kLowestVariable = 10;
// Text limits of the report's test-condition boxes, eutTexts 1..9.
constexpr size_t kEutTextBytes[9] = {70, 50, 50, 10, 10, 10, 10, 10, 10};

const char* const kTerminatorNames[4] = {"Open", "Int", "Ext 50 ohm", "Ext 60 ohm"};

// The highest voltage into a terminator on a 4.10 kV instrument.
int VoltageLimit410(int terminator) {
  static const CPELKDoc reference = [] {
    CPELKDoc doc;
    doc.maxVoltage = 410;
    return doc;
  }();
  return reference.VoltageLimit(terminator);
}

class Checker {
 public:
  explicit Checker(std::vector<std::string>& errors) : errors(errors) {}

  void Range(const std::string& at, long long value, long long low, long long high,
             const std::string& meaning) {
    if (value >= low && value <= high) return;
    errors.push_back(at + ": " + std::to_string(value) + " is not " + meaning);
  }

  void Flag(const std::string& at, long long value) { Range(at, value, 0, 1, "0 or 1"); }

  // Below-minimum values are left to the corrections made when saving.
  void AtMost(const std::string& at, long long value, long long high, const std::string& unit) {
    if (value <= high) return;
    errors.push_back(at + ": " + std::to_string(value) + " is above " + std::to_string(high) +
                     unit);
  }

  void Text(const std::string& at, const std::string& bytes, size_t limit) {
    if (bytes.size() <= limit) return;
    errors.push_back(at + ": " + std::to_string(bytes.size()) + " bytes is longer than the " +
                     std::to_string(limit) + " bytes one can type");
  }

  void Voltage(const std::string& at, int value, int terminator) {
    const bool known = terminator >= 0 && terminator <= 3;
    const int limit = VoltageLimit410(known ? terminator : 0);
    if (value <= limit) return;
    std::string into = known ? std::string("into the terminator ") + kTerminatorNames[terminator]
                             : std::string("into any terminator");
    errors.push_back(at + ": " + std::to_string(value) + " (0.01 kV) is above " +
                     std::to_string(limit) + ", the " + VoltageDisplayText(limit) + " kV allowed " +
                     into + " on a 4.10 kV instrument");
  }

  void StepCode(const std::string& at, uint16_t code, bool endAllowed) {
    const bool unit = code >= 1 && code <= kUnitCount;
    if (unit || code == kStepLineOn || code == kStepLineOff || (endAllowed && code == kStepEnd))
      return;
    errors.push_back(at + ": " + std::to_string(code) + " is not a step code (" +
                     (endAllowed ? "0 no step, " : "") +
                     "1..50 a unit, 100 \"LineOff\", 999 \"LineOn\")");
  }

  void Unit(const UnitRecord& u, const std::string& at, int lastLine) {
    Flag(at + ".polarity", u.polarity);
    Flag(at + ".polarityStop", u.polarityStop);
    Flag(at + ".polaritySweep", u.polaritySweep);
    const std::string widths = "a width index 0.." + std::to_string(kLastWidthIndex);
    Range(at + ".widthIndex", u.widthIndex, 0, kLastWidthIndex, widths);
    Range(at + ".widthIndexStop", u.widthIndexStop, 0, kLastWidthIndex, widths);
    Flag(at + ".widthSweep", u.widthSweep);
    Voltage(at + ".voltage", u.voltage, u.terminator);
    Voltage(at + ".voltageStop", u.voltageStop, u.terminator);
    Range(at + ".voltageStep", u.voltageStep, 0, VoltageLimit410(0), "a voltage step 0..800");
    Flag(at + ".voltageSweep", u.voltageSweep);
    AtMost(at + ".phase", u.phase, 360, " degrees");
    AtMost(at + ".phaseStop", u.phaseStop, 360, " degrees");
    Range(at + ".phaseStep", u.phaseStep, 0, 360, "a phase step 0..360 degrees");
    const std::string periods = "a Variable period " + std::to_string(kLowestVariable) + "..999 ms";
    Range(at + ".variable", u.variable, kLowestVariable, 999, periods);
    Range(at + ".variableStop", u.variableStop, kLowestVariable, 999, periods);
    Range(at + ".variableStep", u.variableStep, 0, 999, "a Variable step 0..999 ms");
    Range(at + ".triggerMode", u.triggerMode, 0, 1, "a trigger mode (0 Phase, 1 Variable)");
    Flag(at + ".triggerSweep", u.triggerSweep);
    const std::string injection =
        "an injection line code 0.." + std::to_string(lastLine - 1) + " of this injection unit";
    const std::string ret =
        "a return line code 0.." + std::to_string(lastLine) + " of this injection unit";
    Range(at + ".injectionLine", u.injectionLine, 0, lastLine - 1, injection);
    Range(at + ".injectionLineStop", u.injectionLineStop, 0, lastLine - 1, injection);
    Range(at + ".returnLine", u.returnLine, 0, lastLine, ret);
    Range(at + ".returnLineStop", u.returnLineStop, 0, lastLine, ret);
    AtMost(at + ".injectionTime", u.injectionTime, 9999, " s");
    Flag(at + ".injectionEndless", u.injectionEndless);
    AtMost(at + ".intervalTime", u.intervalTime, 999, " s");
    Flag(at + ".intervalEndless", u.intervalEndless);
    Flag(at + ".lineOption", u.lineOption);
    Range(at + ".testMode", u.testMode, 0, 1, "a test mode (0 MANUAL, 1 SWEEP)");
    Range(at + ".terminator", u.terminator, 0, 3,
          "a terminator code (0 Open, 1 Int, 2 Ext 50 ohm, 3 Ext 60 ohm)");
    for (size_t i = 0; i < u.sweepOrder.size(); ++i) {
      Range(at + ".sweepOrder[" + std::to_string(i) + "]", u.sweepOrder[i], 0, 5,
            "a sweep parameter (0 polarity, 1 width, 2 voltage, 3 trigger, 4 injection line, "
            "5 return line)");
    }
    Range(at + ".sweepCount", u.sweepCount, 0, 6, "a sweep count 0..6");
    Text(at + ".name", u.name, kNameBytes);
  }

  void Program(const ProgramRecord& p, const std::string& at, int plainCount) {
    if (plainCount >= 0) {
      // Position 2k - 1 holds list entry k - 1; a 0 in the list would end the
      // program there and hide the steps after it.
      for (size_t k = 0; k < static_cast<size_t>(plainCount); ++k) {
        StepCode(at + ".steps[" + std::to_string(k) + "]", p.steps[2 * k], false);
      }
    } else {
      for (size_t i = 0; i < p.steps.size(); ++i) {
        StepCode(at + ".steps[" + std::to_string(i) + "]", p.steps[i], true);
      }
    }
    Text(at + ".name", p.name, kNameBytes);
    Text(at + ".memo", p.memo, kMemoBytes);
    AtMost(at + ".times", p.times, 999, " repetitions");
  }

 private:
  std::vector<std::string>& errors;
};

}  // namespace

std::vector<std::string> CheckDocument(const CPELKDoc& doc, const JsonShape& shape) {
  std::vector<std::string> errors;
  Checker check(errors);
  const int lastLine = doc.injectionUnitType == 1 ? 4 : 5;
  for (size_t i = 0; i < doc.units.size(); ++i) {
    check.Unit(doc.units[i], shape.unitPaths[i], lastLine);
  }
  for (size_t i = 0; i < doc.programs.size(); ++i) {
    check.Program(doc.programs[i], shape.programPaths[i], shape.plainSteps[i]);
  }
  check.Text("testMemo", doc.testMemo, kMemoBytes);
  check.Range("currentUnit", doc.currentUnit, 1, kUnitCount, "a unit number 1..50");
  check.Range("portNumber", doc.portNumber, 1, 257, "a COM port number 1..257");
  check.Range("currentProgram", doc.currentProgram, 1, kProgramCount, "a program number 1..50");
  check.Flag("programMode", doc.programMode);
  check.Flag("showUnitNames", doc.showUnitNames);
  for (size_t i = 0; i < doc.eutTexts.size(); ++i) {
    check.Text("eutTexts[" + std::to_string(i) + "]", doc.eutTexts[i], kEutTextBytes[i]);
  }
  check.Flag("eutDeskTop", doc.eutDeskTop);
  check.Flag("eutFloorStand", doc.eutFloorStand);
  check.Flag("eutHandy", doc.eutHandy);
  return errors;
}

}  // namespace hvt
