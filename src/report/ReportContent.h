#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "model/CPELKDoc.h"

namespace hvt {

enum class ReportKind { Unit, Program };

// Columns of a unit table, left to right.
enum UnitColumn : int {
  kColumnNumber = 0,
  kColumnPolarity,
  kColumnWidth,
  kColumnVoltage,
  kColumnTrigger,
  kColumnInjection,
  kColumnReturn,
  kColumnInjectionTime,
  kColumnInterval,
  kColumnLine,
  kColumnTerminate,
  kUnitColumnCount,
};

struct TriggerColumn {
  std::string heading;
  std::string start;
  std::string stop;
  std::string step;
};

struct TerminatorLines {
  std::string first;
  std::string second;  // empty when the cell has one line
};

// The sweep lines of one column: the order mark above the value, the stop
// value below it and, for voltage and trigger, the step below the stop.
struct SweepLines {
  bool shown = false;
  std::string mark;
  std::string stop;
  std::string step;
};

struct UnitTable {
  std::array<std::string, kUnitColumnCount> headings;
  std::array<std::string, kUnitColumnCount> values;
  std::string terminatorSecond;
  std::array<SweepLines, kUnitColumnCount> sweep;
};

struct StepBlock {
  enum class Kind {
    Empty,  // a code that names neither a unit nor a line switch: nothing prints
    Line,   // LineOn or LineOff
    Unit,
  };
  Kind kind = Kind::Empty;
  std::string text;  // the line switch's text
  int unit = 0;
  std::string name;
  UnitTable table;
};

// The values of the equipment block, row by row after the labels.
struct EquipmentBlock {
  std::string description;
  std::string modelNo;
  std::string serialNo;
  bool deskTop = false;
  bool floorStand = false;
  bool handy = false;
  std::string equipmentType;
  std::string model;
  std::string serial;
  std::array<std::array<std::string, 2>, 3> ranges;  // temperature, humidity, pressure
};

struct UnitReport {
  UnitTable table;
  std::string name;
  std::string memo;
};

struct ProgramReport {
  std::string name;
  std::string times;
  std::string programMemo;
  std::string memo;
  std::vector<uint16_t> steps;  // the step codes in order, up to the first 0
};

// Fixed labels of the report.
namespace report_text {
inline constexpr const char* kEquipmentLabels[12] = {
    "sign",
    "Description of EUT :",
    "Model No.          :",
    "Serial No.         :",
    "Type of EUT        :",
    "Type of Equipment  :",
    "Model              :",
    "Serial             :",
    "Test Conditions.",
    "  * Temperature          :",
    "  * Humidity             :",
    "  * Atmospheric Pressure :",
};
inline constexpr const char* kDeskTop = "Desk Top";
inline constexpr const char* kFloorStand = "Floor Stand";
inline constexpr const char* kHandy = "Handy";
inline constexpr const char* kEquipmentType = "Impulse Noise Simulator";
inline constexpr const char* kTestName = "TestName :";
inline constexpr const char* kUnitMemo = "Memo     :";
inline constexpr const char* kProgramName = "ProgramName  :";
inline constexpr const char* kProgramTimes = "ProgramTimes :";
inline constexpr const char* kProgramMemo = "ProgramMemo  :";
inline constexpr const char* kProgramTestMemo = "Memo         :";
inline constexpr const char* kNoSteps = " None";
}  // namespace report_text

ReportKind ReportVariant(const CPELKDoc& doc);

// "Tue, Mar 5, 2024". An invalid date gives an empty text.
std::string ReportDateText(std::chrono::year_month_day date);

// 1 gives "0.01kV", 4100 "41.00kV".
std::string VoltageText(int voltage);

// "%dns" of the width table entry, "Tri" for -1, empty for an index outside
// the table.
std::string WidthText(const CPELKDoc& doc, int widthIndex);

TriggerColumn TriggerTexts(const UnitRecord& unit);

TerminatorLines TerminatorTexts(const CPELKDoc& doc, const UnitRecord& unit);

// "[6]" for the outermost sweep parameter down to "[1]"; "[0]" when the
// parameter is not in the unit's sweep order.
std::string SweepOrderMark(const UnitRecord& unit, SweepParameter parameter);

// The table of unit 1..50; a number outside that range gives an empty table.
UnitTable UnitTableContent(const CPELKDoc& doc, int unitNumber);

StepBlock StepContent(const CPELKDoc& doc, uint16_t code);

EquipmentBlock EquipmentBlockContent(const CPELKDoc& doc);
UnitReport UnitReportContent(const CPELKDoc& doc);
ProgramReport ProgramReportContent(const CPELKDoc& doc);

}  // namespace hvt
