#include "report/ReportContent.h"

#include <cstdio>
#include <optional>

#include "model/StringTable.h"

namespace hvt {
namespace {

constexpr const char* kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The trigger column's heading depends on the unit (PHASE or VARIABLE).
constexpr std::optional<TextId> kHeadingIds[kUnitColumnCount] = {TextId::NumberTitle,
                                                                 TextId::HeadingPolarity,
                                                                 TextId::ColumnWidth,
                                                                 TextId::HeadingVoltage,
                                                                 std::nullopt,
                                                                 TextId::HeadingInjection,
                                                                 TextId::HeadingReturn,
                                                                 TextId::HeadingInjectionTime,
                                                                 TextId::HeadingInterval,
                                                                 TextId::Line,
                                                                 TextId::HeadingTerminator};

std::string Format(const char* format, long long value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string PolarityText(int polarity) {
  return LoadString(polarity == 0 ? TextId::Plus : TextId::Minus);
}

std::string SecondsText(int endless, int seconds) {
  return endless != 0 ? std::string("Endless") : Format("%llds", seconds);
}

std::string LineName(const CPELKDoc& doc, int line) {
  if (line < 0 || static_cast<size_t>(line) >= doc.lineNames.size()) return {};
  return doc.lineNames[static_cast<size_t>(line)];
}

bool ValidUnit(int number) { return number >= 1 && number <= kUnitCount; }
bool ValidProgram(int number) { return number >= 1 && number <= kProgramCount; }

}  // namespace

ReportKind ReportVariant(const CPELKDoc& doc) {
  return doc.programMode == 0 ? ReportKind::Unit : ReportKind::Program;
}

std::string ReportDateText(std::chrono::year_month_day date) {
  if (!date.ok()) return {};
  const std::chrono::weekday day{std::chrono::sys_days{date}};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %s %d, %d", kDayNames[day.c_encoding()],
                kMonthNames[static_cast<unsigned>(date.month()) - 1],
                static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(date.year()));
  return buffer;
}

std::string VoltageText(int voltage) { return VoltageDisplayText(voltage) + "kV"; }

std::string WidthText(const CPELKDoc& doc, int widthIndex) {
  if (widthIndex < 0 || static_cast<size_t>(widthIndex) >= doc.widthTable.size()) return {};
  const int32_t width = doc.widthTable[static_cast<size_t>(widthIndex)];
  if (width == -1) return LoadString(TextId::Triangle);
  return Format("%lldns", width);
}

TriggerColumn TriggerTexts(const UnitRecord& unit) {
  if (unit.triggerMode == 0) {
    return {LoadString(TextId::HeadingPhase), Format("%llddeg", unit.phase),
            Format("%llddeg", unit.phaseStop), Format("%llddeg", unit.phaseStep)};
  }
  return {LoadString(TextId::HeadingVariable), Format("%lldms", unit.variable),
          Format("%lldms", unit.variableStop), Format("%lldms", unit.variableStep)};
}

TerminatorLines TerminatorTexts(const CPELKDoc& doc, const UnitRecord& unit) {
  switch (unit.terminator) {
    case kTerminatorOpen:
      return {"Open", ""};
    case kTerminatorInt:
      // The internal terminator is 60 ohm into the PLUG line, the line before
      // the last one.
      return {"Internal", unit.injectionLine == doc.lastLine - 1 ? "60ohm" : "53.5ohm"};
    case kTerminatorExt50:
      // Without a built-in terminator code 2 is the 60 ohm external one.
      return {"External", doc.builtInTerminator != 0 ? "50ohm" : "60ohm"};
    case kTerminatorExt60:
      return {"External", "60ohm"};
    default:
      return {};
  }
}

std::string SweepOrderMark(const UnitRecord& unit, SweepParameter parameter) {
  for (size_t k = 0; k < unit.sweepOrder.size(); ++k) {
    if (unit.sweepOrder[k] == parameter) return Format("[%lld]", 6 - static_cast<long long>(k));
  }
  return "[0]";
}

UnitTable UnitTableContent(const CPELKDoc& doc, int unitNumber) {
  UnitTable table;
  for (int c = 0; c < kUnitColumnCount; ++c) {
    if (kHeadingIds[c]) table.headings[c] = LoadString(*kHeadingIds[c]);
  }
  if (!ValidUnit(unitNumber)) {
    table.headings[kColumnTrigger] = LoadString(TextId::HeadingVariable);
    return table;
  }
  const UnitRecord& u = doc.unit(unitNumber);
  const TriggerColumn trigger = TriggerTexts(u);
  const TerminatorLines terminator = TerminatorTexts(doc, u);
  table.headings[kColumnTrigger] = trigger.heading;

  auto& v = table.values;
  v[kColumnNumber] = Format("%lld", unitNumber);
  v[kColumnPolarity] = PolarityText(u.polarity);
  v[kColumnWidth] = WidthText(doc, u.widthIndex);
  v[kColumnVoltage] = VoltageText(u.voltage);
  v[kColumnTrigger] = trigger.start;
  v[kColumnInjection] = LineName(doc, u.injectionLine);
  v[kColumnReturn] = LineName(doc, u.returnLine);
  v[kColumnInjectionTime] = SecondsText(u.injectionEndless, u.injectionTime);
  v[kColumnInterval] = SecondsText(u.intervalEndless, u.intervalTime);
  v[kColumnLine] = u.lineOption != 0 ? "ON" : "OFF";
  v[kColumnTerminate] = terminator.first;
  table.terminatorSecond = terminator.second;

  if (u.testMode != 1) return table;
  if (u.polaritySweep != 0) {
    table.sweep[kColumnPolarity] = {true, SweepOrderMark(u, kSweepPolarity),
                                    PolarityText(u.polarityStop), ""};
  }
  if (u.widthSweep != 0) {
    table.sweep[kColumnWidth] = {true, SweepOrderMark(u, kSweepWidth),
                                 WidthText(doc, u.widthIndexStop), ""};
  }
  if (u.voltageSweep != 0) {
    table.sweep[kColumnVoltage] = {true, SweepOrderMark(u, kSweepVoltage),
                                   VoltageText(u.voltageStop), VoltageText(u.voltageStep)};
  }
  if (u.triggerSweep != 0) {
    table.sweep[kColumnTrigger] = {true, SweepOrderMark(u, kSweepTrigger), trigger.stop,
                                   trigger.step};
  }
  return table;
}

StepBlock StepContent(const CPELKDoc& doc, uint16_t code) {
  StepBlock block;
  if (code == kStepLineOn || code == kStepLineOff) {
    block.kind = StepBlock::Kind::Line;
    block.text = LoadString(code == kStepLineOn ? TextId::StepLineOn : TextId::StepLineOff);
  } else if (ValidUnit(code)) {
    block.kind = StepBlock::Kind::Unit;
    block.unit = code;
    block.name = doc.unit(code).name;
    block.table = UnitTableContent(doc, code);
  }
  return block;
}

EquipmentBlock EquipmentBlockContent(const CPELKDoc& doc) {
  EquipmentBlock block;
  const auto& t = doc.eutTexts;
  block.description = t[0];
  block.modelNo = t[1];
  block.serialNo = t[2];
  block.deskTop = doc.eutDeskTop != 0;
  block.floorStand = doc.eutFloorStand != 0;
  block.handy = doc.eutHandy != 0;
  block.equipmentType = report_text::kEquipmentType;
  block.model = doc.printModel;
  block.serial = doc.printSerial;
  block.ranges = {{{t[3], t[4]}, {t[5], t[6]}, {t[7], t[8]}}};
  return block;
}

UnitReport UnitReportContent(const CPELKDoc& doc) {
  UnitReport report;
  report.table = UnitTableContent(doc, doc.currentUnit);
  if (ValidUnit(doc.currentUnit)) report.name = doc.unit(doc.currentUnit).name;
  report.memo = doc.testMemo;
  return report;
}

ProgramReport ProgramReportContent(const CPELKDoc& doc) {
  ProgramReport report;
  report.memo = doc.testMemo;
  if (!ValidProgram(doc.currentProgram)) return report;
  const ProgramRecord& p = doc.program(doc.currentProgram);
  report.name = p.name;
  report.times = Format("%lld", p.times);
  report.programMemo = p.memo;
  for (int position = 1; position <= ProgramRecord::kPositions; position += 2) {
    const uint16_t code = p.step(position);
    if (code == kStepEnd) break;
    report.steps.push_back(code);
  }
  return report;
}

}  // namespace hvt
