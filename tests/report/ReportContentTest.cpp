#include <gtest/gtest.h>

#include "model/StringTable.h"
#include "report/ReportContent.h"
#include "report/ReportDrawing.h"

namespace hvt {
namespace {

using namespace std::chrono;

CPELKDoc NewDoc(int type = 3) {
  StringTable::SetLanguage(Language::English);
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  return doc;
}

TEST(ReportContent, ValueFormats) {
  EXPECT_EQ(VoltageText(5), "0.05kV");
  EXPECT_EQ(VoltageText(100), "1.00kV");
  EXPECT_EQ(VoltageText(1), "0.01kV");
  EXPECT_EQ(VoltageText(4100), "41.00kV");

  EXPECT_EQ(ReportDateText(year{2024} / March / 5), "Tue, Mar 5, 2024");
  EXPECT_EQ(ReportDateText(year{2025} / January / 1), "Wed, Jan 1, 2025");
  EXPECT_EQ(ReportDateText(year{2023} / December / 31), "Sun, Dec 31, 2023");
  EXPECT_EQ(ReportDateText(year{2025} / February / 30), "");

  CPELKDoc doc = NewDoc();
  EXPECT_EQ(WidthText(doc, 2), "100ns");
  EXPECT_EQ(WidthText(doc, 8), "Tri");
  EXPECT_EQ(WidthText(doc, 9), "");
  EXPECT_EQ(WidthText(doc, -1), "");
}

TEST(ReportContent, TerminatorCellFollowsTheFormsList) {
  CPELKDoc doc = NewDoc();
  UnitRecord u = doc.unit(1);
  u.terminator = kTerminatorInt;
  u.injectionLine = 4;  // PLUG on a three-phase unit
  EXPECT_EQ(TerminatorTexts(doc, u).first, "Internal");
  EXPECT_EQ(TerminatorTexts(doc, u).second, "60ohm");
  u.injectionLine = 0;
  EXPECT_EQ(TerminatorTexts(doc, u).second, "53.5ohm");

  u.terminator = kTerminatorExt50;
  EXPECT_EQ(TerminatorTexts(doc, u).second, "50ohm");
  doc.builtInTerminator = 0;
  EXPECT_EQ(TerminatorTexts(doc, u).first, "External");
  EXPECT_EQ(TerminatorTexts(doc, u).second, "60ohm");
  u.terminator = kTerminatorExt60;
  EXPECT_EQ(TerminatorTexts(doc, u).second, "60ohm");
  u.terminator = kTerminatorOpen;
  EXPECT_EQ(TerminatorTexts(doc, u).first, "Open");
  EXPECT_EQ(TerminatorTexts(doc, u).second, "");
  u.terminator = 9;
  EXPECT_EQ(TerminatorTexts(doc, u).first, "");

  // On a single-phase unit PLUG is line 3.
  CPELKDoc single = NewDoc(1);
  UnitRecord s = single.unit(1);
  s.injectionLine = 3;
  EXPECT_EQ(TerminatorTexts(single, s).second, "60ohm");
}

TEST(ReportContent, SweepOrderMarks) {
  UnitRecord u;  // new-document order 4, 5, 0, 1, 2, 3
  EXPECT_EQ(SweepOrderMark(u, kSweepPolarity), "[4]");
  EXPECT_EQ(SweepOrderMark(u, kSweepWidth), "[3]");
  EXPECT_EQ(SweepOrderMark(u, kSweepVoltage), "[2]");
  EXPECT_EQ(SweepOrderMark(u, kSweepTrigger), "[1]");
  u.sweepOrder = {2, 2, 4, 5, 0, 1};
  EXPECT_EQ(SweepOrderMark(u, kSweepVoltage), "[6]");  // the first place counts
  EXPECT_EQ(SweepOrderMark(u, kSweepTrigger), "[0]");
}

TEST(ReportContent, UnitTableValuesAndSweepLines) {
  CPELKDoc doc = NewDoc();
  UnitRecord& u = doc.unit(7);
  u.polarity = 1;
  u.widthIndex = 8;
  u.widthIndexStop = 8;
  u.voltage = 250;
  u.voltageStop = 800;
  u.voltageStep = 5;
  u.triggerMode = 0;
  u.phase = 90;
  u.phaseStop = 270;
  u.phaseStep = 15;
  u.injectionLine = 1;
  u.returnLine = 5;
  u.injectionEndless = 1;
  u.injectionTime = 30;
  u.intervalEndless = 0;
  u.intervalTime = 0;
  u.lineOption = 0;
  u.widthSweep = 1;
  u.voltageSweep = 1;
  u.triggerSweep = 1;
  u.polaritySweep = 0;

  // MANUAL: the flags alone print nothing.
  UnitTable t = UnitTableContent(doc, 7);
  const std::array<std::string, 11> headings{"No.",       "POLARITY", "WIDTH",          "VOLTAGE",
                                             "PHASE",     "INJECTION", "RETURN", "INJECTION TIME",
                                             "INTERVAL",  "LINE",     "TERMINATE"};
  EXPECT_EQ(t.headings, headings);
  const std::array<std::string, 11> values{"7",       "-",       "Tri", "2.50kV", "90deg",   "L2",
                                           "SG",      "Endless", "0s",  "OFF",    "Internal"};
  EXPECT_EQ(t.values, values);
  EXPECT_EQ(t.terminatorSecond, "53.5ohm");
  for (const SweepLines& s : t.sweep) EXPECT_FALSE(s.shown);

  u.testMode = 1;
  t = UnitTableContent(doc, 7);
  EXPECT_FALSE(t.sweep[kColumnPolarity].shown);
  EXPECT_EQ(t.sweep[kColumnWidth].mark, "[3]");
  EXPECT_EQ(t.sweep[kColumnWidth].stop, "Tri");
  EXPECT_EQ(t.sweep[kColumnWidth].step, "");
  EXPECT_EQ(t.sweep[kColumnVoltage].stop, "8.00kV");
  EXPECT_EQ(t.sweep[kColumnVoltage].step, "0.05kV");
  EXPECT_EQ(t.sweep[kColumnTrigger].stop, "270deg");
  EXPECT_EQ(t.sweep[kColumnTrigger].step, "15deg");

  u.polaritySweep = 1;
  u.polarityStop = 0;
  u.triggerMode = 1;
  u.variable = 20;
  u.variableStop = 500;
  u.variableStep = 10;
  u.injectionEndless = 0;
  t = UnitTableContent(doc, 7);
  EXPECT_EQ(t.sweep[kColumnPolarity].mark, "[4]");
  EXPECT_EQ(t.sweep[kColumnPolarity].stop, "+");
  EXPECT_EQ(t.headings[kColumnTrigger], "VARIABLE");
  EXPECT_EQ(t.values[kColumnTrigger], "20ms");
  EXPECT_EQ(t.sweep[kColumnTrigger].stop, "500ms");
  EXPECT_EQ(t.sweep[kColumnTrigger].step, "10ms");
  EXPECT_EQ(t.values[kColumnInjectionTime], "30s");

  // Out of range values from a damaged file print blanks, never crash.
  u.widthIndex = 1000;
  u.injectionLine = -3;
  u.returnLine = 6;
  t = UnitTableContent(doc, 7);
  EXPECT_EQ(t.values[kColumnWidth], "");
  EXPECT_EQ(t.values[kColumnInjection], "");
  EXPECT_EQ(t.values[kColumnReturn], "");
  EXPECT_EQ(UnitTableContent(doc, 51).values[kColumnNumber], "");
}

TEST(ReportContent, StepsAndVariants) {
  CPELKDoc doc = NewDoc();
  EXPECT_EQ(StepContent(doc, kStepLineOn).text, "LineOn");
  EXPECT_EQ(StepContent(doc, kStepLineOff).text, "LineOff");
  const StepBlock unit = StepContent(doc, 3);
  EXPECT_EQ(unit.kind, StepBlock::Kind::Unit);
  EXPECT_EQ(unit.name, "Unit03");
  EXPECT_EQ(unit.table.values[kColumnNumber], "3");
  EXPECT_EQ(StepContent(doc, 51).kind, StepBlock::Kind::Empty);
  EXPECT_EQ(StepContent(doc, 0).kind, StepBlock::Kind::Empty);

  ProgramRecord& p = doc.program(4);
  p.step(1) = kStepLineOn;
  p.step(3) = 3;
  p.step(5) = kStepLineOff;
  p.step(7) = 0;
  p.step(9) = 5;  // after the end: not a step
  p.times = 12;
  doc.currentProgram = 4;
  const ProgramReport report = ProgramReportContent(doc);
  EXPECT_EQ(report.steps, (std::vector<uint16_t>{kStepLineOn, 3, kStepLineOff}));
  EXPECT_EQ(report.times, "12");
  EXPECT_EQ(report.name, "Program04");
}

TEST(ReportContent, PageCounts) {
  CPELKDoc doc = NewDoc();
  doc.programStepCount = 30;
  EXPECT_EQ(ReportVariant(doc), ReportKind::Unit);
  EXPECT_EQ(ReportPageCount(doc), 1);  // however many steps the program has
  doc.programMode = 1;
  EXPECT_EQ(ReportVariant(doc), ReportKind::Program);
  const std::pair<int, int> cases[] = {{0, 2}, {1, 2}, {9, 2}, {10, 3}, {18, 3}, {19, 4}, {50, 7}};
  for (auto [steps, pages] : cases) {
    doc.programStepCount = static_cast<uint16_t>(steps);
    EXPECT_EQ(ReportPageCount(doc), pages) << steps;
  }
}

TEST(ReportContent, EquipmentBlockTakesTheTextsAsTyped) {
  CPELKDoc doc = NewDoc();
  for (size_t i = 0; i < doc.eutTexts.size(); ++i) doc.eutTexts[i] = " t" + std::to_string(i + 1);
  doc.eutFloorStand = 2;
  doc.printModel = "KP4-410";
  const EquipmentBlock b = EquipmentBlockContent(doc);
  EXPECT_EQ(b.description, " t1");
  EXPECT_EQ(b.serialNo, " t3");
  EXPECT_EQ(b.ranges[0][0], " t4");
  EXPECT_EQ(b.ranges[2][1], " t9");
  EXPECT_FALSE(b.deskTop);
  EXPECT_TRUE(b.floorStand);
  EXPECT_EQ(b.model, "KP4-410");
  EXPECT_EQ(b.equipmentType, "Impulse Noise Simulator");
}

}  // namespace
}  // namespace hvt
