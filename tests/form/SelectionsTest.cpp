#include <gtest/gtest.h>

#include <algorithm>

#include "form/FormTables.h"
#include "model/DocumentFile.h"
#include "model/TextCodec.h"
#include "support/DamagedDocument.h"
#include "support/FormRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::FormRig;
using Items = std::vector<std::string>;

// Where two stored documents first differ, or npos.
size_t FirstDifference(const std::string& a, const std::string& b) {
  const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return ia == a.end() && ib == b.end() ? std::string::npos : static_cast<size_t>(ia - a.begin());
}

bool IsPermutation(const std::array<int32_t, 6>& order) {
  std::array<int32_t, 6> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  return sorted == std::array<int32_t, 6>{0, 1, 2, 3, 4, 5};
}

TEST(Selections, PlugOffersItsReturnLinesAndTerminators) {
  FormRig rig(1);
  EXPECT_EQ(rig.form.Get(C::InjectionLineCombo).items, (Items{"L1", "L2", "PE", "PLUG"}));
  EXPECT_EQ(rig.form.Get(C::ReturnLineCombo).items, (Items{"L2", "PE", "SG"}));
  rig.Select(C::InjectionLineCombo, 3);
  EXPECT_EQ(rig.form.Get(C::ReturnLineCombo).items, (Items{"L1", "L2", "PE", "SG"}));
  EXPECT_EQ(rig.Text(C::ReturnLineCombo), "SG");
  EXPECT_EQ(rig.Active().returnLine, 4);
  EXPECT_EQ(rig.form.Get(C::TerminatorCombo).items,
            (Items{"Open", "Int(60ohm)", "Ext(50ohm)", "Ext(60ohm)"}));
  rig.Select(C::TerminatorCombo, 3);
  EXPECT_EQ(rig.Active().terminator, 3);

  // Back to L1: three entries remain, the terminator falls back to Open
  // without counting as a change.
  rig.doc.SetModifiedFlag(false);
  rig.doc.unit(1).injectionLine = 0;
  rig.view->selections.SelectUnit(1);
  rig.view->selections.RefreshForm();
  EXPECT_EQ(rig.form.Get(C::TerminatorCombo).items, (Items{"Open", "Int(53.5ohm)", "Ext(50ohm)"}));
  EXPECT_EQ(rig.Active().terminator, 0);
  EXPECT_EQ(rig.Text(C::TerminatorCombo), "Open");
  EXPECT_FALSE(rig.doc.IsModified());

  rig.doc.builtInTerminator = 0;
  rig.Select(C::InjectionLineCombo, 3);
  EXPECT_EQ(rig.form.Get(C::TerminatorCombo).items, (Items{"Open", "Int(60ohm)", "Ext(60ohm)"}));
}

TEST(Selections, InjectionOnTheReturnLineMovesItToSG) {
  FormRig rig(3);
  rig.SelectText(C::ReturnLineCombo, "L2");
  EXPECT_EQ(rig.Active().returnLine, 1);
  rig.Select(C::InjectionLineCombo, 1);
  EXPECT_EQ(rig.Text(C::ReturnLineCombo), "SG");
  EXPECT_EQ(rig.Active().returnLine, 5);
  EXPECT_EQ(rig.view->formState.workingUnit.injectionLineStop, 2);  // moved off the new line
  EXPECT_EQ(rig.form.Get(C::ReturnLineCombo).items, (Items{"L1", "L3", "N", "SG"}));
}

TEST(Selections, SweepFlagsKeepTheOrderAPermutation) {
  FormRig rig;
  rig.events().OnTabSelected(1);
  rig.doc.SetModifiedFlag(false);
  rig.Click(C::VoltageSweepCheck);
  const UnitRecord& u = rig.Active();
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(u.sweepCount, 1);
  EXPECT_EQ(u.sweepOrder[5], kSweepVoltage);
  EXPECT_EQ(rig.Text(Offset(C::SequenceValue0, 5)), "0.01");
  EXPECT_TRUE(rig.form.IsEnabled(Offset(C::SequenceCombo0, 5)));
  EXPECT_TRUE(rig.form.Get(C::ArrowBottom0).visible);
  EXPECT_FALSE(rig.form.Get(C::ArrowAbove0).visible);

  rig.Click(C::TriggerSweepCheck);
  EXPECT_EQ(u.sweepCount, 2);
  EXPECT_EQ(u.sweepOrder[4], kSweepTrigger);
  EXPECT_EQ(u.sweepOrder[5], kSweepVoltage);
  EXPECT_TRUE(rig.form.Get(C::ArrowAbove0).visible);

  // Exchange: VOLTAGE chosen in the upper active row.
  rig.SelectText(Offset(C::SequenceCombo0, 4), "VOLTAGE");
  EXPECT_EQ(u.sweepOrder[4], kSweepVoltage);
  EXPECT_EQ(u.sweepOrder[5], kSweepTrigger);
  EXPECT_EQ(rig.Text(Offset(C::SequenceCombo0, 5)), "TRIGGER");
  EXPECT_TRUE(IsPermutation(u.sweepOrder));

  rig.Click(C::VoltageSweepCheck);
  EXPECT_EQ(u.sweepCount, 1);
  EXPECT_EQ(u.sweepOrder[5], kSweepTrigger);
  EXPECT_EQ(u.sweepOrder[4], kSweepVoltage);  // just outside the active level
  EXPECT_TRUE(IsPermutation(u.sweepOrder));
  EXPECT_EQ(rig.view->formState.workingUnit.sweepOrder, u.sweepOrder);

  // MANUAL shows every row as text and leaves the document unmodified.
  rig.doc.SetModifiedFlag(false);
  rig.events().OnTabSelected(0);
  EXPECT_FALSE(rig.doc.IsModified());
  EXPECT_FALSE(rig.form.IsEnabled(Offset(C::SequenceCombo0, 5)));
  EXPECT_TRUE(rig.form.Get(Offset(C::SequenceText0, 5)).visible);
  EXPECT_FALSE(rig.form.Get(C::VoltageStopEdit).visible);
}

TEST(Selections, PhaseKeepsLineCheckedAndLockedAlsoAfterARun) {
  FormRig rig;
  rig.Click(C::LineOptionCheck);
  EXPECT_EQ(rig.Active().lineOption, 0);
  rig.Click(C::PhaseRadio);
  EXPECT_EQ(rig.Active().triggerMode, 0);
  EXPECT_TRUE(rig.form.IsChecked(C::LineOptionCheck));
  EXPECT_FALSE(rig.form.IsEnabled(C::LineOptionCheck));
  EXPECT_EQ(rig.Active().lineOption, 1);
  EXPECT_EQ(rig.form.Get(C::TriggerEdit).toolTip, "0 - 360deg  ( 1deg Step )");
  EXPECT_EQ(rig.Text(C::TriggerUnit), "deg");
  EXPECT_EQ(rig.form.Get(C::TriggerSpin).spinHigh, 360);

  rig.Unit(1, 2, 0);
  rig.view->selections.RefreshForm();
  rig.Start();
  EXPECT_TRUE(rig.RunToEnd(60000));
  EXPECT_TRUE(rig.form.IsChecked(C::LineOptionCheck));
  EXPECT_FALSE(rig.form.IsEnabled(C::LineOptionCheck));

  // The "Line" static toggles LINE in Variable mode only.
  rig.events().OnClick(C::LineOptionLabel);
  EXPECT_EQ(rig.Active().lineOption, 1);
  rig.events().OnClick(C::VariableLabel);
  EXPECT_TRUE(rig.form.IsChecked(C::VariableRadio));
  EXPECT_TRUE(rig.form.IsEnabled(C::LineOptionCheck));
  EXPECT_EQ(rig.Text(C::TriggerUnit), "ms");
  rig.events().OnClick(C::LineOptionLabel);
  EXPECT_EQ(rig.Active().lineOption, 0);
  EXPECT_FALSE(rig.form.IsChecked(C::LineOptionCheck));
}

// A document made by the form: sweeps, Phase units, programs.
void MakeSweepsAndPrograms(FormRig& rig) {
  for (int n = 1; n <= 4; ++n) {
    rig.view->selections.SelectUnit(n);
    rig.doc.currentUnit = static_cast<uint16_t>(n);
    rig.view->selections.RefreshForm();
    rig.events().OnTabSelected(1);
    rig.Click(C::VoltageSweepCheck);
    rig.Type(C::VoltageStopEdit, std::to_string(n) + ".50");
    if (n > 2) rig.Click(C::PhaseRadio);
    rig.Click(C::TriggerSweepCheck);
    rig.Type(C::TriggerStopEdit, "90");
    rig.Type(C::TriggerStepEdit, "7");
    rig.Select(C::InjectionLineCombo, n % 3);
    rig.Leave();
    if (n % 2 == 0) rig.events().OnTabSelected(0);  // swept, yet shown on MANUAL
  }
  rig.UseProgram(2, {1, 3, 4}, 5);
  rig.doc.programMode = 0;
  ASSERT_EQ(rig.doc.unit(3).sweepCount, 2);
  ASSERT_EQ(rig.doc.unit(3).triggerMode, 0);
  ASSERT_EQ(rig.doc.unit(3).phaseStep, 7);
  ASSERT_EQ(rig.doc.unit(2).voltageStop, 250);
}

TEST(Selections, ShowingEveryUnitChangesNoStoredByte) {
  for (int kind = 0; kind < 3; ++kind) {
    FormRig rig(kind == 0 ? 1 : 3);
    if (kind == 2) MakeSweepsAndPrograms(rig);
    const std::string before = StoreDocument(rig.doc);
    rig.doc.SetModifiedFlag(false);
    const uint16_t unit = rig.doc.currentUnit, program = rig.doc.currentProgram;
    for (int n = 1; n <= kUnitCount; ++n) {
      rig.doc.currentUnit = static_cast<uint16_t>(n);
      rig.view->selections.SelectUnit(n);
      rig.view->selections.RefreshForm();
    }
    for (int n = 1; n <= kProgramCount; ++n) {
      rig.doc.currentProgram = static_cast<uint16_t>(n);
      rig.view->lists.ShowProgram();
    }
    rig.doc.currentUnit = unit;
    rig.doc.currentProgram = program;
    rig.view->lists.ShowProgram();
    EXPECT_FALSE(rig.doc.IsModified()) << kind;
    EXPECT_EQ(FirstDifference(StoreDocument(rig.doc), before), std::string::npos) << kind;
  }
}

TEST(Selections, PageIsStoredWithTheUnitWithoutMarkingModified) {
  testing::ViewRig started(testing::ViewRig::DefaultOptions(), true);
  EXPECT_FALSE(started.form.Get(C::VoltageStopEdit).visible);  // set-up before the unit
  EXPECT_TRUE(started.form.Get(C::VoltageEdit).visible);
  EXPECT_FALSE(started.form.Get(C::PolarityStopCombo).visible);
  FormRig rig;
  EXPECT_FALSE(rig.form.Get(C::VoltageStopEdit).visible);  // start-up on a MANUAL unit
  EXPECT_FALSE(rig.form.Get(C::StopHeader).visible);
  rig.events().OnTabSelected(1);
  EXPECT_TRUE(rig.form.Get(C::VoltageStopEdit).visible);
  EXPECT_FALSE(rig.form.IsEnabled(C::VoltageStopEdit));  // no voltage sweep
  EXPECT_FALSE(rig.doc.IsModified());
  CPELKDoc copy;
  ASSERT_EQ(LoadDocument(copy, StoreDocument(rig.doc), Cp1252Codec::Instance()),
            LoadOutcome::Loaded);
  EXPECT_EQ(copy.unit(1).testMode, 1);
}

TEST(Selections, ProgramAreaFollowsTheProgramCheck) {
  FormRig rig;
  EXPECT_FALSE(rig.form.IsEnabled(C::ProgramList));
  EXPECT_FALSE(rig.form.IsEnabled(C::ProgramUpButton));
  rig.Click(C::ProgramCheck);
  EXPECT_EQ(rig.doc.programMode, 1);
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_TRUE(rig.form.IsEnabled(C::ProgramList));
  EXPECT_TRUE(rig.form.IsEnabled(C::ProgramTimesEdit));
  EXPECT_TRUE(rig.form.IsEnabled(C::ProgramUpButton));
  rig.Click(C::UnitNoRadio);
  EXPECT_EQ(rig.doc.showUnitNames, 0);
}

TEST(Selections, DamagedDocumentsAreShownSafely) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    FormRig rig(seed % 2 ? 1 : 3);
    testing::DamageDocument(rig.doc, seed);
    const CPELKDoc loaded = rig.doc;
    rig.view->InitialUpdate();
    const int shown = rig.view->runStatus.activeUnit;
    ASSERT_GE(shown, 1);
    ASSERT_LE(shown, kUnitCount);
    const UnitRecord& u = rig.Active();
    EXPECT_TRUE(IsPermutation(u.sweepOrder)) << seed;
    EXPECT_TRUE(Selections::SweepOrderSound(u)) << seed;
    EXPECT_GE(u.voltage, 1);
    EXPECT_LE(u.voltage, rig.view->formState.voltageLimit);
    for (int n = 1; n <= kUnitCount; ++n) {
      if (n != shown) {
        EXPECT_TRUE(rig.doc.unit(n) == loaded.unit(n)) << seed << " unit " << n;
      }
    }
    for (int n = 1; n <= kProgramCount; ++n) {
      if (n != loaded.currentProgram) {
        EXPECT_TRUE(rig.doc.program(n) == loaded.program(n)) << seed;
      }
    }
    EXPECT_EQ(rig.doc.currentUnit, loaded.currentUnit);
  }
}

TEST(FormSetUp, FixedContentsComeFromTheTables) {
  FormRig rig(1);
  EXPECT_EQ(rig.form.Get(C::PolarityCombo).items, (Items{"+", "-"}));
  EXPECT_EQ(rig.form.Get(C::ConditionTab).items, (Items{"MANUAL", "SWEEP"}));
  EXPECT_EQ(rig.form.Get(C::WidthCombo).items,
            (Items{"10", "50", "100", "200", "400", "500", "800", "1000", "Tri"}));
  EXPECT_EQ(rig.form.Get(C::ProgramTimesEdit).toolTip, "1 - 999times  ( 1times Step )");
  EXPECT_EQ(rig.form.Get(C::IntervalTimeEdit).toolTip, "0 - 999s  ( 1s Step )");
  EXPECT_EQ(rig.form.Get(C::Start).toolTip, "START");
  EXPECT_EQ(rig.form.Get(C::TriggerEdit).toolTip, "16 - 999ms  ( 1ms Step )");
  EXPECT_EQ(rig.form.Get(C::InjectionTimeSpin).spinHigh, 9999);
  EXPECT_EQ(rig.form.Get(C::IntervalTimeSpin).spinLow, 0);
  EXPECT_TRUE(rig.form.Get(C::DemoLabel).visible);
  EXPECT_EQ(rig.Text(C::DemoLabel), "DEMO");
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 0), "None  ");
  for (ControlId id : form::HiddenControls()) EXPECT_FALSE(rig.form.IsShown(id));
  EXPECT_EQ(rig.Text(C::UnitNumberEdit), "1");
  EXPECT_EQ(rig.Text(C::UnitName), "Unit01");
}

TEST(FormDispatch, CommandsHiddenControlsAndTheContextMenu) {
  FormRig rig;
  int opened = 0;
  rig.view->events.commandHandlers[CommandId::FileOpen] = [&] { ++opened; };
  rig.events().OnCommand(CommandId::FileOpen);
  rig.view->runStatus.runState = Running;
  rig.events().OnCommand(CommandId::FileOpen);  // Ctrl+O during a run
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(rig.events().OnContextMenu(true));
  rig.view->runStatus.runState = Idle;
  EXPECT_FALSE(rig.events().OnContextMenu(false));
  EXPECT_EQ(rig.form.focus, C::ConditionTab);
  EXPECT_TRUE(rig.events().OnContextMenu(true));

  // Hidden controls report nothing.
  rig.events().OnSelect(C::PolarityStopCombo, 0);
  EXPECT_EQ(rig.Active().polarityStop, 1);
  rig.Select(C::PolarityCombo, 1);
  EXPECT_EQ(rig.Active().polarity, 1);
  EXPECT_EQ(rig.Active().polarityStop, 0);
  KeyEvent enter;
  enter.key = Key::Enter;
  EXPECT_EQ(rig.events().OnKey(enter), Disposition::Pass);
}

}  // namespace
}  // namespace hvt
