#include <gtest/gtest.h>

#include "support/FormRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::FormRig;

// A unit on the SWEEP page sweeping the voltage 1.00 -> 3.00 in 0.50 steps.
void VoltageSweep(FormRig& rig) {
  rig.events().OnTabSelected(1);
  rig.Click(C::VoltageSweepCheck);
  rig.Type(C::VoltageStopEdit, "3.00");
  rig.Type(C::VoltageEdit, "1.00");
  rig.Type(C::VoltageStepEdit, "0.50");
  rig.Leave();
}

TEST(ParameterEntry, VoltageStartIsBoundedCheckedAndRaisedOnLeaving) {
  FormRig rig;
  ASSERT_EQ(rig.view->formState.voltageLimit, 410);  // Int terminator of a 4.10 kV instrument
  rig.Focus(C::TerminatorCombo);
  rig.Select(C::TerminatorCombo, 0);  // Open: 8.00 kV
  EXPECT_EQ(rig.view->formState.voltageLimit, 800);
  EXPECT_EQ(rig.form.Get(C::VoltageEdit).toolTip, "0.01 - 8.00kV ( 0.01kV Step )");
  EXPECT_EQ(rig.form.Get(C::VoltageSpin).spinHigh, 800);

  rig.Type(C::VoltageEdit, "9.99");
  EXPECT_EQ(rig.Text(C::VoltageEdit), "8.00");
  EXPECT_EQ(rig.Active().voltage, 800);
  EXPECT_EQ(rig.form.SpinPosition(C::VoltageSpin), 800);
  EXPECT_TRUE(rig.doc.IsModified());

  rig.Type(C::VoltageEdit, "3.45");
  rig.events().OnEditChanged(C::VoltageEdit, "3.456");
  EXPECT_EQ(rig.Text(C::VoltageEdit), "3.45");
  EXPECT_EQ(rig.Active().voltage, 345);

  rig.events().OnEditChanged(C::VoltageEdit, "");
  EXPECT_EQ(rig.Active().voltage, 0);
  rig.Leave();
  EXPECT_EQ(rig.Text(C::VoltageEdit), "0.01");
  EXPECT_EQ(rig.Active().voltage, 1);
}

TEST(ParameterEntry, TerminatorChangeCutsStartAndStop) {
  FormRig rig;
  rig.Select(C::TerminatorCombo, 0);
  rig.events().OnTabSelected(1);
  rig.Click(C::VoltageSweepCheck);
  rig.Type(C::VoltageEdit, "6.00");
  rig.Type(C::VoltageStopEdit, "7.00");
  rig.Select(C::TerminatorCombo, 2);  // Ext 50 ohm: 3.96 kV
  EXPECT_EQ(rig.Active().voltage, 396);
  EXPECT_EQ(rig.Active().voltageStop, 396);
  EXPECT_EQ(rig.Text(C::VoltageStopEdit), "3.96");
}

TEST(ParameterEntry, StepFollowsTheRangeWithItsHints) {
  FormRig rig;
  VoltageSweep(rig);
  ASSERT_EQ(rig.Active().voltageStep, 50);
  EXPECT_EQ(rig.form.Get(C::VoltageStepEdit).toolTip, "0.01 - 2.00kV  ( 0.01kV Step )");
  EXPECT_EQ(rig.form.Get(C::VoltageEdit).toolTip, "0.01 - 4.10kV ( 0.01kV Step )");
  EXPECT_TRUE(rig.form.IsEnabled(C::VoltageStepSpin));

  rig.Type(C::VoltageStopEdit, "1.20");
  EXPECT_EQ(rig.Text(C::VoltageStepEdit), "0.20");
  EXPECT_EQ(rig.Active().voltageStep, 20);

  rig.Type(C::VoltageStopEdit, "1.00");
  EXPECT_EQ(rig.Text(C::VoltageStepEdit), "0.00");
  EXPECT_EQ(rig.Active().voltageStep, 0);
  EXPECT_EQ(rig.form.Get(C::VoltageStepEdit).toolTip, "0.00 - 0.00kV");
  EXPECT_FALSE(rig.form.IsEnabled(C::VoltageStepSpin));

  // A step typed above the distance is cut to it; a step of 0 with a range
  // is replaced by the range when the stop moves.
  rig.Type(C::VoltageStopEdit, "2.00");
  EXPECT_EQ(rig.Text(C::VoltageStepEdit), "1.00");
  rig.Type(C::VoltageStepEdit, "5.00");
  EXPECT_EQ(rig.Text(C::VoltageStepEdit), "1.00");

  // Trigger hints in ms.
  rig.Click(C::TriggerSweepCheck);
  rig.Type(C::TriggerStopEdit, "30");
  EXPECT_EQ(rig.form.Get(C::TriggerStepEdit).toolTip, "1 - 10 ( 1ms Step )");
  EXPECT_TRUE(rig.form.IsEnabled(C::TriggerStepSpin));
  rig.Click(C::TriggerSweepCheck);
  EXPECT_FALSE(rig.form.IsEnabled(C::TriggerStepSpin));
}

TEST(ParameterEntry, LowerBoundsApplyWhenTheBoxIsLeft) {
  FormRig rig;
  ASSERT_EQ(rig.doc.minVariable, 16);
  rig.Type(C::TriggerEdit, "5");
  EXPECT_EQ(rig.Text(C::TriggerEdit), "5");
  EXPECT_EQ(rig.Active().variable, 5);
  rig.Leave();
  EXPECT_EQ(rig.Text(C::TriggerEdit), "16");
  EXPECT_EQ(rig.Active().variable, 16);

  rig.Click(C::InjectionEndlessCheck);  // off: the injection box is editable
  rig.Type(C::IntervalTimeEdit, "0");
  rig.Leave();
  EXPECT_EQ(rig.Text(C::IntervalTimeEdit), "0");
  EXPECT_EQ(rig.Active().intervalTime, 0);
  rig.Type(C::InjectionTimeEdit, "0");
  rig.Leave();
  EXPECT_EQ(rig.Text(C::InjectionTimeEdit), "1");
  EXPECT_EQ(rig.Active().injectionTime, 1);
  rig.Type(C::InjectionTimeEdit, "05");
  rig.Leave();
  EXPECT_EQ(rig.Text(C::InjectionTimeEdit), "5");
}

TEST(ParameterEntry, SpinTakesTheFocusAndWritesAtOnce) {
  FormRig rig;
  rig.events().OnTabSelected(1);
  rig.Click(C::VoltageSweepCheck);
  rig.Type(C::VoltageEdit, "");  // left empty: raised when the spin takes the focus
  rig.events().OnSpin(C::VoltageStopSpin, 250);
  EXPECT_EQ(rig.Text(C::VoltageEdit), "0.01");
  EXPECT_EQ(rig.form.focus, C::VoltageStopEdit);
  EXPECT_EQ(rig.Text(C::VoltageStopEdit), "2.50");
  EXPECT_EQ(rig.Active().voltageStop, 250);
  EXPECT_EQ(rig.view->entry.LastText(ParameterEntry::Field::VoltageStop), "2.50");
}

TEST(ParameterEntry, AHeldArrowStepsBy1Then10100And1000AsTimePasses) {
  FormRig rig;
  rig.Click(C::InjectionEndlessCheck);  // off: the injection time is used
  rig.Type(C::InjectionTimeEdit, "1");
  rig.Leave();
  const auto up = [&](ArrowAction a) { rig.events().OnSpinArrow(C::InjectionTimeSpin, a, +1); };
  up(ArrowAction::Press);
  EXPECT_EQ(rig.Text(C::InjectionTimeEdit), "2");
  // The widget's repeats come every 100 ms; only the time held counts.
  for (int t = 100; t < 2000; t += 100) {
    rig.time.RunFor(100);
    up(ArrowAction::Repeat);
  }
  EXPECT_EQ(rig.Active().injectionTime, 2 + 19);
  rig.time.RunFor(100);  // 2.0 s
  up(ArrowAction::Repeat);
  EXPECT_EQ(rig.Active().injectionTime, 31);
  rig.time.RunFor(1000);  // 3.0 s
  up(ArrowAction::Repeat);
  EXPECT_EQ(rig.Active().injectionTime, 131);
  rig.time.RunFor(1000);  // 4.0 s
  up(ArrowAction::Repeat);
  EXPECT_EQ(rig.Active().injectionTime, 1131);
  up(ArrowAction::Repeat);
  EXPECT_EQ(rig.Active().injectionTime, 2131);
  up(ArrowAction::Release);
  // A new press starts from 1 again, and the range holds.
  for (int i = 0; i < 20; ++i) {
    up(ArrowAction::Press);
    up(ArrowAction::Repeat);
    up(ArrowAction::Release);
  }
  EXPECT_EQ(rig.Active().injectionTime, 2171);
  rig.time.RunFor(9000);
  up(ArrowAction::Repeat);  // no press held: nothing
  EXPECT_EQ(rig.Active().injectionTime, 2171);
  up(ArrowAction::Press);
  rig.time.RunFor(5000);
  for (int i = 0; i < 10; ++i) up(ArrowAction::Repeat);
  EXPECT_EQ(rig.Active().injectionTime, 9999);

  // Program times never accelerate.
  EXPECT_EQ(SpinRepeat::StepAfter(5000, SpinRepeat::Accelerates(C::ProgramTimesSpin)), 1);
}

TEST(ParameterEntry, ProgramTimesAndBrowsingPrograms) {
  FormRig rig;
  rig.doc.program(2).times = 7;
  rig.doc.program(3).times = 12;
  for (int n = 1; n <= kProgramCount; ++n) {
    rig.doc.currentProgram = static_cast<uint16_t>(n);
    rig.view->lists.ShowProgram();
  }
  EXPECT_FALSE(rig.doc.IsModified());
  rig.doc.currentProgram = 3;
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.Text(C::ProgramTimesEdit), "12");
  EXPECT_EQ(rig.doc.program(2).times, 7);

  rig.Click(C::ProgramCheck);
  rig.Type(C::ProgramTimesEdit, "1234");  // junk: four digits
  EXPECT_EQ(rig.Text(C::ProgramTimesEdit), "12");
  rig.Type(C::ProgramTimesEdit, "40");
  EXPECT_EQ(rig.doc.program(3).times, 40);
  EXPECT_EQ(rig.Text(C::TimesLeft), "40");
}

TEST(ParameterEntry, RunEndRefreshesTheStepHints) {
  FormRig rig;
  rig.events().OnTabSelected(1);
  rig.Click(C::VoltageSweepCheck);  // 0.01 -> 0.02: nothing to step
  rig.Unit(1, 1, 0);
  rig.view->selections.RefreshForm();
  ASSERT_FALSE(rig.form.IsEnabled(C::VoltageStepSpin));
  rig.Start();
  EXPECT_TRUE(rig.RunToEnd(60000));
  EXPECT_TRUE(rig.form.IsEnabled(C::VoltageStopEdit));
  EXPECT_TRUE(rig.form.IsEnabled(C::VoltageStepEdit));
  EXPECT_FALSE(rig.form.IsEnabled(C::VoltageStepSpin));
  EXPECT_EQ(rig.form.Get(C::VoltageStepEdit).toolTip, "0.01 - 0.01kV");
}

TEST(ParameterEntry, RemainingTimesDuringARunLeaveTheUnitsTimes) {
  FormRig rig;
  rig.Unit(1, 30, 4);
  rig.UseUnit(1);
  rig.view->selections.RefreshForm();
  rig.Start();
  rig.time.RunFor(3000);
  ASSERT_TRUE(rig.view->RunActive());
  EXPECT_NE(rig.Text(C::InjectionTimeEdit), "30");
  EXPECT_EQ(rig.doc.unit(1).injectionTime, 30);
  rig.view->entry.SetEditText(C::IntervalTimeEdit, "999");
  EXPECT_EQ(rig.doc.unit(1).intervalTime, 4);
  rig.view->run.EndRun();
  EXPECT_EQ(rig.Text(C::InjectionTimeEdit), "30");
}

}  // namespace
}  // namespace hvt
