#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/ProgramCells.h"
#include "form/ProgramLists.h"
#include "form/UnitCells.h"
#include "support/FormRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::FormRig;
using Row = std::vector<std::string>;

MouseEvent LeftDown(ControlId control) {
  MouseEvent e;
  e.kind = MouseEvent::Kind::Down;
  e.button = MouseEvent::Button::Left;
  e.control = control;
  return e;
}

MouseEvent MoveOverForm(bool captured) {
  MouseEvent e;
  e.kind = MouseEvent::Kind::Move;
  e.captured = captured;
  return e;
}

KeyEvent Enter(ControlId focused) {
  KeyEvent e;
  e.key = Key::Enter;
  e.focused = focused;
  return e;
}

// A unit shown on the form, its step buttons set as after a selection.
void ShowUnit(FormRig& rig, int n) {
  rig.UseUnit(n);
  rig.view->selections.RefreshForm();
}

// The operator presses a step button with the mouse and keeps it down.
void Hold(FormRig& rig, ControlId button) {
  rig.form.controls[button].held = true;
  rig.events().OnMouse(LeftDown(button));
}

TEST(StepButtons, HoldingNextUnitStepsAtOnceThenRepeatsUpToFifty) {
  FormRig rig;
  ShowUnit(rig, 45);
  Hold(rig, C::UnitUpButton);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 46);
  EXPECT_EQ(rig.form.focus, C::UnitUpButton);
  rig.time.RunFor(499);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 46);  // four ticks, all inside the delay
  rig.time.RunFor(1);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 47);
  rig.time.RunFor(100);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 48);
  rig.time.RunFor(200);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 50);
  EXPECT_EQ(rig.doc.currentUnit, 50);
  EXPECT_EQ(rig.Text(C::UnitNumberEdit), "50");
  EXPECT_FALSE(rig.form.IsEnabled(C::UnitUpButton));
  EXPECT_TRUE(rig.form.IsEnabled(C::UnitDownButton));
  EXPECT_EQ(rig.form.focus, C::ConditionTab);
  rig.time.RunFor(1000);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 50);
  EXPECT_FALSE(rig.time.IsSet(kUnitNextTimer));
}

TEST(StepButtons, HoldingPreviousUnitStopsAtOne) {
  FormRig rig;
  ShowUnit(rig, 3);
  Hold(rig, C::UnitDownButton);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 2);
  rig.time.RunFor(2000);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 1);
  EXPECT_FALSE(rig.form.IsEnabled(C::UnitDownButton));
  EXPECT_EQ(rig.form.focus, C::ConditionTab);
  EXPECT_FALSE(rig.time.IsSet(kUnitPreviousTimer));
}

TEST(StepButtons, ProgramRepeatEndsAtTheLastProgram) {
  FormRig rig;
  rig.Click(C::ProgramCheck);
  rig.doc.SetModifiedFlag(false);
  rig.doc.currentProgram = 47;
  rig.view->lists.ShowProgram();
  Hold(rig, C::ProgramUpButton);
  EXPECT_EQ(rig.doc.currentProgram, 48);
  rig.time.RunFor(600);
  EXPECT_EQ(rig.doc.currentProgram, 50);
  EXPECT_EQ(rig.Text(C::ProgramNumberEdit), "50");
  EXPECT_EQ(rig.Text(C::ProgramName), "Program50");
  EXPECT_FALSE(rig.time.IsSet(kProgramNextTimer));
  EXPECT_FALSE(rig.form.IsEnabled(C::ProgramUpButton));
  EXPECT_EQ(rig.form.focus, C::ProgramList);

  // Enter on the next-program button at the bound leaves 50, even if the
  // button were still enabled and focused.
  rig.form.Enable(C::ProgramUpButton, true);
  rig.events().OnKey(Enter(C::ProgramUpButton));
  EXPECT_EQ(rig.doc.currentProgram, 50);
  rig.events().OnKey(Enter(C::ProgramDownButton));
  EXPECT_EQ(rig.doc.currentProgram, 49);
  EXPECT_FALSE(rig.doc.IsModified());
}

TEST(StepButtons, RepeatStopsOnReleaseOnAMoveOverTheFormAndWaitsWhilePushedOff) {
  FormRig rig;
  ShowUnit(rig, 10);
  Hold(rig, C::UnitUpButton);
  rig.time.RunFor(600);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 13);

  // Dragged off the button it shows no longer pushed: the timer waits.
  rig.form.controls[C::UnitUpButton].held = false;
  rig.time.RunFor(300);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 13);
  rig.form.controls[C::UnitUpButton].held = true;
  rig.time.RunFor(100);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 14);

  // The moves a pressed button holds are its own; a move over the bare
  // form ends the repeat at the next tick.
  rig.events().OnMouse(MoveOverForm(true));
  rig.time.RunFor(100);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 15);
  rig.events().OnMouse(MoveOverForm(false));
  rig.time.RunFor(500);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 15);
  EXPECT_FALSE(rig.time.IsSet(kUnitNextTimer));

  // A new press arms it again; the release (clicked) kills the timer.
  Hold(rig, C::UnitUpButton);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 16);
  rig.form.controls[C::UnitUpButton].held = false;
  rig.events().OnClick(C::UnitUpButton);
  EXPECT_FALSE(rig.time.IsSet(kUnitNextTimer));
  rig.time.RunFor(1000);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 16);
}

// The overview row of an untouched unit of a new document on a three-phase
// instrument.
Row DefaultRow(const std::string& number) {
  return {number, "+", "10", "0.01", "", "", "20ms", "", "", "L1", "SG", "Int53.5"};
}

TEST(UnitOverview, EveryCellOfADocumentWithVariedUnits) {
  FormRig rig;
  CPELKDoc& doc = rig.doc;
  UnitRecord& u2 = doc.unit(2);  // a voltage and phase sweep on PLUG
  u2.polarity = 1;
  u2.widthIndex = 8;
  u2.testMode = 1;
  u2.voltage = 205;
  u2.voltageStop = 410;
  u2.voltageStep = 5;
  u2.voltageSweep = 1;
  u2.triggerMode = 0;
  u2.phase = 90;
  u2.phaseStop = 270;
  u2.phaseStep = 15;
  u2.triggerSweep = 1;
  u2.injectionLine = 4;
  u2.returnLine = 3;
  u2.terminator = 1;
  UnitRecord& u3 = doc.unit(3);  // sweep flags set on the MANUAL page
  u3.voltageSweep = 1;
  u3.triggerSweep = 1;
  u3.variable = 100;
  u3.widthIndex = 3;
  u3.terminator = 2;
  UnitRecord& u7 = doc.unit(7);  // a Variable sweep, the voltage fixed
  u7.testMode = 1;
  u7.variable = 20;
  u7.variableStop = 40;
  u7.variableStep = 2;
  u7.triggerSweep = 1;
  u7.voltage = 800;
  u7.injectionLine = 2;
  u7.returnLine = 0;
  u7.terminator = 3;
  UnitRecord& u50 = doc.unit(50);  // damaged width, open terminator
  u50.widthIndex = 99;
  u50.terminator = 0;
  u50.triggerMode = 0;
  u50.phase = 0;

  rig.view->lists.FillUnitOverview();

  std::vector<Row> expected;
  for (int n = 1; n <= 50; ++n) {
    char number[8];
    std::snprintf(number, sizeof number, " %2d", n);
    expected.push_back(DefaultRow(number));
  }
  expected[1] = {"  2",   "-",      "Tri",   "2.05", "4.10", "0.05",
                 "90deg", "270deg", "15deg", "PLUG", "N",    "Int60"};
  expected[2] = {"  3", "+", "200", "0.01", "", "", "100ms", "", "", "L1", "SG", "Ext50"};
  expected[6] = {"  7", "+", "10", "8.00", "", "", "20ms", "40ms", "2ms", "L3", "L1", "Ext60"};
  expected[49] = {" 50", "+", "", "0.01", "", "", "0deg", "", "", "L1", "SG", "Open"};

  ASSERT_EQ(rig.form.RowCount(C::UnitOverview), 50);
  for (int row = 0; row < 50; ++row) {
    for (int column = 0; column < 12; ++column) {
      EXPECT_EQ(rig.form.Cell(C::UnitOverview, row, column), expected[row][column])
          << "row " << row << ", column " << column;
    }
    EXPECT_EQ(rig.form.Get(C::UnitOverview).rows[row].size(), 12u);
  }

  // The columns were made once with the form.
  const std::vector<ListColumn> columns{
      {"No", 27},   {"+/-", 32},  {"WIDTH", 50}, {"VOL1", 40}, {"VOL2", 40}, {"VOL3", 40},
      {"TRG1", 47}, {"TRG2", 47}, {"TRG3", 47},  {"INJ", 41},  {"RET", 35},  {"TERM", 50},
  };
  EXPECT_EQ(rig.form.Get(C::UnitOverview).columns, columns);
}

TEST(UnitOverview, TerminatorCodeTwoIsSixtyOhmWithoutABuiltInTerminator) {
  for (int builtIn : {1, 0}) {
    SCOPED_TRACE(builtIn);
    FormRig rig(1);
    rig.doc.builtInTerminator = builtIn;
    rig.Select(C::InjectionLineCombo, 3);  // PLUG
    const auto& items = rig.form.Get(C::TerminatorCombo).items;
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items[2], builtIn ? "Ext(50ohm)" : "Ext(60ohm)");
    rig.Select(C::TerminatorCombo, 2);
    EXPECT_EQ(rig.Active().terminator, 2);
    EXPECT_EQ(rig.view->formState.voltageLimit, builtIn ? 396 : 410);
    EXPECT_EQ(rig.doc.VoltageLimit(2), builtIn ? 396 : 410);
    rig.view->lists.FillUnitOverview();
    EXPECT_EQ(rig.form.Cell(C::UnitOverview, 0, 11), builtIn ? "Ext50" : "Ext60");
  }
  CPELKDoc low;
  low.maxVoltage = 205;
  EXPECT_EQ(low.VoltageLimit(2), 198);
  low.builtInTerminator = 0;
  EXPECT_EQ(low.VoltageLimit(2), 205);
  EXPECT_EQ(low.VoltageLimit(0), 400);
}

TEST(UnitClipboard, PasteIsGrayedUntilCopyAndKeepsTheTargetsName) {
  FormRig rig;
  EXPECT_FALSE(rig.view->IsCommandEnabled(CommandId::PasteUnit));
  rig.events().OnCommand(CommandId::PasteUnit);
  EXPECT_FALSE(rig.doc.IsModified());

  UnitRecord& source = rig.doc.unit(3);
  source.polarity = 1;
  source.polarityStop = 0;
  source.widthIndex = 2;
  source.widthIndexStop = 4;
  source.voltage = 150;
  source.voltageStop = 300;
  source.voltageStep = 10;
  source.voltageSweep = 1;
  source.phase = 45;
  source.phaseStop = 90;
  source.phaseStep = 5;
  source.variable = 30;
  source.variableStop = 60;
  source.variableStep = 3;
  source.triggerMode = 1;
  source.triggerSweep = 1;
  source.injectionLine = 1;
  source.injectionLineStop = 2;
  source.returnLine = 3;
  source.returnLineStop = 0;
  source.returnSweep = 1;
  source.injectionTime = 7;
  source.injectionEndless = 0;
  source.intervalTime = 9;
  source.intervalEndless = 1;
  source.lineOption = 0;
  source.testMode = 1;
  source.terminator = 2;
  // A sound sweep set-up: the voltage and trigger sweeps at the inner end.
  // (The return sweep flag is no level of its own.)
  source.sweepOrder = {5, 4, 1, 0, 3, 2};
  source.sweepCount = 2;
  source.name = "Source";
  ShowUnit(rig, 3);
  rig.events().OnCommand(CommandId::CopyUnit);
  EXPECT_TRUE(rig.view->IsCommandEnabled(CommandId::PasteUnit));
  EXPECT_FALSE(rig.doc.IsModified());

  rig.doc.unit(8).name = "Keep";
  const UnitRecord before = rig.doc.unit(8);
  ShowUnit(rig, 8);
  rig.doc.SetModifiedFlag(false);
  rig.events().OnCommand(CommandId::PasteUnit);

  // Everything listed comes from the copy; the name and the stop values and
  // sweep flags of polarity, width and the two lines stay the target's.
  UnitRecord expected = source;
  expected.name = "Keep";
  expected.polarityStop = before.polarityStop;
  expected.polaritySweep = before.polaritySweep;
  expected.widthIndexStop = before.widthIndexStop;
  expected.widthSweep = before.widthSweep;
  expected.injectionLineStop = before.injectionLineStop;
  expected.injectionSweep = before.injectionSweep;
  expected.returnLineStop = before.returnLineStop;
  expected.returnSweep = before.returnSweep;
  EXPECT_EQ(rig.doc.unit(8), expected);
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(rig.Text(C::UnitName), "Keep");
  EXPECT_EQ(rig.Text(C::VoltageEdit), "1.50");
  EXPECT_EQ(rig.view->formState.testModeTab, 1);
}

// The program editor's list, as its dialog would implement the port.
struct CellRecorder : form::CellList {
  void DeleteAllItems() override { cells.clear(); }
  void InsertItem(int index, const std::string& text) override {
    cells.insert(cells.begin() + index, text);
  }
  std::vector<std::string> cells{"stale", "->", "stale"};
};

TEST(ProgramList, CellsAndRecount) {
  FormRig rig;
  CPELKDoc& doc = rig.doc;
  doc.showUnitNames = 0;
  ProgramRecord& p = doc.program(1);
  p.step(3) = 5;  // behind an empty first position: not counted
  CellRecorder editor;
  form::FillProgramList(doc, editor);
  EXPECT_EQ(editor.cells, (std::vector<std::string>{"None  "}));
  EXPECT_EQ(doc.programStepCount, 0);
  EXPECT_EQ(doc.programCursor, 1);
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.form.RowCount(C::ProgramList), 1);
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 0), "None  ");

  p.step(1) = 2;
  p.step(5) = kStepLineOn;
  form::FillProgramList(doc, editor);
  EXPECT_EQ(editor.cells, (std::vector<std::string>{"No. 2 ", "->", "No. 5 ", "->", "LineOn"}));
  EXPECT_EQ(doc.programStepCount, 3);
  EXPECT_EQ(doc.programCursor, 7);

  // A full program ends at the last position.
  for (int pos = 1; pos <= 99; pos += 2) p.step(pos) = 1;
  rig.view->lists.ShowProgram();
  EXPECT_EQ(doc.programStepCount, 50);
  EXPECT_EQ(rig.form.RowCount(C::ProgramList), 99);
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 98), "No. 1 ");
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 97), "->");
}

TEST(ProgramList, NamesAreCutWithoutSplittingADoubleByteCharacter) {
  FormRig rig;
  rig.doc.unit(1).name = "ABC\x83\x65\x83\x58";  // three letters, two Shift-JIS characters
  rig.doc.program(1).step(1) = 1;
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 0), "ABC\x83\x65\x83");  // code page 1252: bytes
  rig.doc.codePage = 932;
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 0), "ABC\x83\x65");
  EXPECT_EQ(form::CutToBytes("\x83\x65\x83\x58\x83\x67", 6, 932), "\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(form::CutToBytes("\x83", 6, 932), "\x83");  // a lone lead byte is kept, not overrun
  EXPECT_EQ(form::CutToBytes("ab\xB1\xB2xyz", 6, 932), "ab\xB1\xB2xy");  // half-width kana
}

}  // namespace
}  // namespace hvt
