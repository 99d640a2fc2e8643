#include <gtest/gtest.h>

#include "model/CPELKDoc.h"
#include "model/StringTable.h"

namespace hvt {
namespace {

CPELKDoc NewDocument(int type) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  return doc;
}

TEST(NewDocument, UnitValuesFollowTheInstrumentType) {
  for (int type : {1, 3}) {
    SCOPED_TRACE(type);
    CPELKDoc doc = NewDocument(type);
    const int sg = type == 1 ? 4 : 5;
    EXPECT_EQ(doc.lastLine, sg);
    EXPECT_EQ(doc.lineNames[static_cast<size_t>(sg)], "SG");
    EXPECT_EQ(doc.lineNames[3], type == 1 ? "PLUG" : "N");
    for (int n = 1; n <= kUnitCount; ++n) {
      const UnitRecord& u = doc.unit(n);
      EXPECT_EQ(u.returnLine, sg);
      EXPECT_EQ(u.returnLineStop, 3);
      EXPECT_EQ(u.name, NumberedName("Unit", n));
    }
  }
  CPELKDoc doc = NewDocument(3);
  EXPECT_EQ(doc.unit(7).name, "Unit07");
  EXPECT_EQ(doc.unit(50).name, "Unit50");
  const UnitRecord& u = doc.unit(1);
  EXPECT_EQ(u.polarityStop, 1);
  EXPECT_EQ(u.voltage, 1);
  EXPECT_EQ(u.voltageStop, 2);
  EXPECT_EQ(u.phaseStop, 1);
  EXPECT_EQ(u.variable, 20);
  EXPECT_EQ(u.variableStop, 21);
  EXPECT_EQ(u.triggerMode, 1);
  EXPECT_EQ(u.injectionLineStop, 1);
  EXPECT_EQ(u.injectionEndless, 1);
  EXPECT_EQ(u.intervalTime, 1);
  EXPECT_EQ(u.intervalEndless, 0);
  EXPECT_EQ(u.lineOption, 1);
  EXPECT_EQ(u.terminator, kTerminatorInt);
  EXPECT_EQ(u.sweepOrder, (std::array<int32_t, 6>{4, 5, 0, 1, 2, 3}));
  EXPECT_EQ(u.sweepCount, 0);
}

TEST(NewDocument, ResetsSelectionsButKeepsInstrumentAndLinkState) {
  CPELKDoc doc = NewDocument(3);
  doc.unit(4).voltage = 300;
  doc.program(3).step(1) = 2;
  doc.program(3).times = 9;
  doc.currentUnit = 12;
  doc.currentProgram = 4;
  doc.programStepCount = 3;
  doc.programMode = 1;
  doc.programCursor = 7;
  doc.showUnitNames = 0;
  doc.testMemo = "memo";
  doc.eutTexts[8] = "1013 hPa";
  doc.eutHandy = 1;
  doc.portNumber = 33;
  doc.printModel = "KP4";
  doc.demoMode = 1;
  doc.maxVoltage = 205;
  doc.widthLast = 7;
  doc.builtInTerminator = 0;

  doc.InitNewDocument();
  EXPECT_EQ(doc.unit(4).voltage, 1);
  EXPECT_EQ(doc.program(3).step(1), 0);
  EXPECT_EQ(doc.program(3).times, 1);
  EXPECT_EQ(doc.program(3).name, "Program03");
  EXPECT_EQ(doc.currentUnit, 1);
  EXPECT_EQ(doc.currentProgram, 1);
  EXPECT_EQ(doc.programStepCount, 0);
  EXPECT_EQ(doc.programMode, 0);
  EXPECT_EQ(doc.programCursor, 0);
  EXPECT_EQ(doc.showUnitNames, 1);
  EXPECT_EQ(doc.testMemo, "");
  EXPECT_EQ(doc.eutTexts[8], "");
  EXPECT_EQ(doc.eutHandy, 0);
  // Untouched by a new document.
  EXPECT_EQ(doc.portNumber, 33);
  EXPECT_EQ(doc.printModel, "KP4");
  EXPECT_EQ(doc.demoMode, 1);
  EXPECT_EQ(doc.maxVoltage, 205);
  EXPECT_EQ(doc.widthLast, 7);
  EXPECT_EQ(doc.builtInTerminator, 0);
  EXPECT_EQ(doc.sweepNames, (std::array<std::string, 6>{"POLARITY", "PULSE WIDTH", "VOLTAGE",
                                                        "TRIGGER", "INJECTION", "RETURN"}));
}

TEST(NewDocument, ConstructorStartsOutOfDemoWithFirstUpdatePending) {
  CPELKDoc doc;
  EXPECT_EQ(doc.demoMode, 0);
  EXPECT_EQ(doc.loadStatus, 0);
  EXPECT_EQ(doc.firstUpdate, 1);
  EXPECT_EQ(doc.portNumber, 1);
}

TEST(VoltageLimit, DependsOnTerminatorAndInstrument) {
  CPELKDoc doc;
  doc.maxVoltage = 410;
  EXPECT_EQ(doc.VoltageLimit(kTerminatorOpen), 800);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorExt50), 396);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorInt), 410);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorExt60), 410);
  doc.maxVoltage = 205;
  EXPECT_EQ(doc.VoltageLimit(kTerminatorOpen), 400);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorExt50), 198);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorInt), 205);
  EXPECT_EQ(doc.VoltageLimit(kTerminatorExt60), 205);
}

TEST(VoltageDisplay, DecimalPointBeforeLastTwoDigits) {
  EXPECT_EQ(VoltageDisplayText(1), "0.01");
  EXPECT_EQ(VoltageDisplayText(10), "0.10");
  EXPECT_EQ(VoltageDisplayText(205), "2.05");
  EXPECT_EQ(VoltageDisplayText(800), "8.00");
  EXPECT_EQ(VoltageDisplayText(0), "0.00");
  EXPECT_EQ(VoltageDisplayText(-5), "-0.05");
  EXPECT_EQ(VoltageDisplayText(INT32_MIN), "-21474836.48");
}

TEST(ProgramSteps, ScanStopsAtFirstEmptyOddPositionOrTheEnd) {
  CPELKDoc doc;
  doc.InitNewDocument();
  EXPECT_EQ(doc.CountProgramSteps(1), 0);
  EXPECT_EQ(doc.programCursor, 1);

  ProgramRecord& p = doc.program(2);
  p.step(1) = 3;
  p.step(3) = kStepLineOn;
  p.step(5) = kStepLineOff;
  p.step(9) = 7;  // after a gap: not counted
  EXPECT_EQ(doc.CountProgramSteps(2), 3);
  EXPECT_EQ(doc.programCursor, 7);

  ProgramRecord& full = doc.program(50);
  for (int pos = 1; pos <= 99; pos += 2) full.step(pos) = 1;
  full.step(100) = 5;  // an even position is never a step
  EXPECT_EQ(doc.CountProgramSteps(50), 50);
  EXPECT_EQ(doc.programCursor, 101);
}

}  // namespace
}  // namespace hvt
