#include <gtest/gtest.h>

#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

TEST(RunControls, ButtonsFollowTheRunState) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  auto& f = rig.form;
  rig.view->runStatus.runState = Idle;
  rig.view->enabling.UpdateRunControls();
  EXPECT_TRUE(f.IsEnabled(ControlId::Start));
  EXPECT_FALSE(f.IsEnabled(ControlId::Stop));
  EXPECT_FALSE(f.Get(ControlId::Update).visible);

  rig.view->runStatus.runState = Running;
  rig.view->enabling.UpdateRunControls();
  EXPECT_FALSE(f.IsEnabled(ControlId::Start));
  EXPECT_TRUE(f.IsEnabled(ControlId::Pause));
  EXPECT_TRUE(f.Get(ControlId::Update).visible);
  EXPECT_FALSE(f.IsEnabled(ControlId::Line));
  rig.view->runStatus.endlessInterval = 1;
  rig.view->runStatus.oneShotMode = 1;
  rig.view->enabling.UpdateRunControls();
  EXPECT_TRUE(f.IsEnabled(ControlId::Start));  // NEXT
  EXPECT_FALSE(f.IsEnabled(ControlId::Pause));

  // A unit sweeping both quantities leaves nothing to update.
  UnitRecord& u = rig.doc.unit(rig.view->runStatus.activeUnit);
  u.testMode = 1;
  u.voltageSweep = u.triggerSweep = 1;
  rig.view->enabling.UpdateRunControls();
  EXPECT_FALSE(f.Get(ControlId::Update).visible);

  rig.view->runStatus.runState = Waiting;
  rig.view->enabling.UpdateRunControls();
  EXPECT_FALSE(f.IsEnabled(ControlId::Start));
  EXPECT_FALSE(f.IsEnabled(ControlId::Pause));
  EXPECT_TRUE(f.IsEnabled(ControlId::Stop));
}

TEST(RunControls, MenuCommandsDuringARun) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  CPELKView& v = *rig.view;
  v.runStatus.runState = LineOn;
  EXPECT_FALSE(v.IsCommandEnabled(CommandId::AppExit));
  EXPECT_FALSE(v.IsCommandEnabled(CommandId::Rs232Setup));
  EXPECT_TRUE(v.IsCommandEnabled(CommandId::FileOpen));
  v.runStatus.runState = Paused;
  for (CommandId c : {CommandId::AppAbout, CommandId::FileNew, CommandId::FileOpen,
                      CommandId::FileSave, CommandId::FilePrint, CommandId::FilePrintPreview}) {
    EXPECT_FALSE(v.IsCommandEnabled(c));
  }
}

TEST(RunControls, FormIsLockedDuringARunAndRestoredAfter) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.view->runStatus.oneShotMode = 1;  // Variable trigger in 1SHOT: the trigger edit is locked too
  rig.Start();
  auto& f = rig.form;
  EXPECT_FALSE(f.IsEnabled(ControlId::ConditionTab));
  EXPECT_FALSE(f.IsEnabled(ControlId::ProgramCheck));
  EXPECT_TRUE(f.IsEnabled(ControlId::VoltageEdit));  // may be changed and sent with UPDATE
  EXPECT_FALSE(f.IsEnabled(ControlId::TriggerEdit));
  EXPECT_FALSE(f.frameEnabled);
  EXPECT_EQ(f.focus, ControlId::Stop);
  EXPECT_EQ(f.Get(ControlId::Start).toolTip, "NEXT");
  EXPECT_FALSE(f.Get(ControlId::InjectionTimeEdit).tabStop);
  EXPECT_TRUE(f.IsEnabled(ControlId::Trigger));
  rig.time.RunFor(2000);
  EXPECT_EQ(f.Text(ControlId::InjectionTimeEdit), "28");
  const bool modifiedBefore = rig.doc.IsModified();

  rig.view->run.EndRun();
  // The counters shown during the run are not edits of the unit.
  EXPECT_EQ(rig.doc.unit(1).injectionTime, 30);
  EXPECT_EQ(rig.doc.IsModified(), modifiedBefore);
  EXPECT_TRUE(f.IsEnabled(ControlId::ConditionTab));
  EXPECT_FALSE(f.IsEnabled(ControlId::VoltageStepSpin));  // no voltage sweep
  EXPECT_TRUE(f.IsEnabled(ControlId::InjectionTimeEdit));
  EXPECT_TRUE(f.IsEnabled(ControlId::TriggerEdit));
  EXPECT_TRUE(f.frameEnabled);
  EXPECT_EQ(f.Get(ControlId::Start).toolTip, "START");
  EXPECT_TRUE(f.Get(ControlId::InjectionTimeEdit).tabStop);
  EXPECT_EQ(f.Text(ControlId::InjectionTimeEdit), "30");
  EXPECT_EQ(f.Get(ControlId::Lamp).image, Image::None);
}

TEST(RunControls, SweepOrderCanBeChangedAgainAfterARun) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  UnitRecord& u = rig.Unit(1, 1, 0);
  u.testMode = 1;
  u.voltageSweep = 1;
  u.voltageStop = 3;
  u.sweepCount = 1;
  u.sweepOrder = {4, 5, 0, 1, 3, 2};
  rig.UseUnit(1);
  rig.Start();
  EXPECT_FALSE(rig.form.IsEnabled(ControlId(1069)));
  ASSERT_TRUE(rig.RunToEnd(10000));
  EXPECT_TRUE(rig.form.IsEnabled(ControlId(1069)));  // the active bottom row
  EXPECT_TRUE(rig.form.IsEnabled(ControlId::VoltageStepSpin));
  EXPECT_FALSE(rig.form.IsEnabled(ControlId(1068)));
  EXPECT_EQ(rig.form.Text(ControlId(1068)), "TRIGGER");
  EXPECT_EQ(rig.form.Text(ControlId(1130)), "TRIGGER");  // its static
  EXPECT_TRUE(rig.form.Get(ControlId::ArrowBottom0).visible);
  EXPECT_FALSE(rig.form.Get(ControlId::ArrowAbove0).visible);
}

TEST(RunControls, RunEndsInLineOnWhenTheLineStaysOn) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.form.Check(ControlId::Line, true);
  rig.view->run.ToggleLine();
  rig.Start();
  EXPECT_FALSE(rig.time.IsSet(3));  // the line watch rests during the run
  rig.time.RunFor(1500);
  rig.view->run.EndRun();
  EXPECT_EQ(rig.view->runStatus.runState, LineOn);
  EXPECT_TRUE(rig.time.IsSet(3));
  EXPECT_FALSE(rig.form.closeEnabled);
  EXPECT_EQ(rig.form.Get(ControlId::Lamp).image, Image::LampLit);
}

TEST(RunControls, EndingTheProgramStopsTheTestAndSwitchesTheLineOff) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.form.Check(ControlId::Line, true);
  rig.view->run.ToggleLine();
  rig.Start();
  rig.time.RunFor(1500);
  ASSERT_TRUE(rig.view->RunActive());
  rig.view->run.EndForExit();
  EXPECT_EQ(rig.view->runStatus.runState, Idle);
  EXPECT_FALSE(rig.device.instrument.Running());
  EXPECT_FALSE(rig.device.instrument.LineOn());
  EXPECT_TRUE(rig.form.closeEnabled);
  EXPECT_EQ(rig.device.received.back(), "PC0");
  rig.view->run.EndForExit();  // nothing left to stop: nothing sent
  EXPECT_EQ(rig.device.received.back(), "PC0");
}

}  // namespace
}  // namespace hvt

namespace hvt {
namespace {

TEST(RunControls, DamagedProgramNumberDoesNotStopAUnitRun) {
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  rig.Unit(1, 1, 0);
  rig.doc.currentProgram = 51;  // loading validates nothing
  rig.UseUnit(1);
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.doc.programStepCount, 0);
  rig.Start();
  ASSERT_TRUE(rig.RunToEnd(5000));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  rig.doc.programMode = 1;
  rig.Start();  // an empty program: refused with its message
  EXPECT_FALSE(rig.view->RunActive());
}

TEST(RunControls, SecondsDigitArithmetic) {
  EXPECT_EQ(RunControl::SecondsBetweenDigits(8, 1), 3);
  EXPECT_EQ(RunControl::SecondsBetweenDigits(1, 8), 7);
  EXPECT_EQ(RunControl::SecondsBetweenDigits(9, 0), 1);
}

TEST(RunControls, UpdateSendsWhatIsNotSweptAndBeeps) {
  testing::ViewRig rig;
  UnitRecord& u = rig.Unit(1, 30, 0);
  u.voltage = 150;
  u.triggerMode = 0;
  u.phase = 90;
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(1000);
  rig.device.received.clear();
  rig.view->run.SendUpdate();
  EXPECT_EQ(rig.device.received, (std::vector<std::string>{"PE150", "PF90"}));
  EXPECT_EQ(rig.form.beeps.back(), Beep::Standard);
  EXPECT_EQ(rig.view->sweepState.sweepPoint.phase, 90);

  // Sweeping the voltage leaves only the trigger value to send.
  u.testMode = 1;
  u.voltageSweep = 1;
  rig.view->formState.testModeTab = 1;
  rig.device.received.clear();
  rig.view->run.SendUpdate();
  EXPECT_EQ(rig.device.received, (std::vector<std::string>{"PF90"}));
}

TEST(RunControls, TriggerFiresOnlyWhileTheInstrumentRuns) {
  testing::ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.form.Check(ControlId::OneShotMode, true);
  rig.view->run.OnOneShotMode();
  EXPECT_EQ(rig.view->runStatus.oneShotMode, 1);
  rig.device.received.clear();
  rig.view->run.OnTriggerButton();  // nothing runs yet
  EXPECT_EQ(rig.device.received, (std::vector<std::string>{"QG"}));
  rig.Start();
  // 1SHOT goes into the unit's option character.
  EXPECT_EQ(rig.device.received[1].substr(0, 2), "PD");
  EXPECT_NE(rig.device.received[1].find("/7/"), std::string::npos) << rig.device.received[1];
  rig.time.RunFor(1000);
  EXPECT_TRUE(rig.form.IsEnabled(ControlId::Trigger));
  rig.device.received.clear();
  rig.view->run.OnTriggerButton();
  EXPECT_EQ(rig.device.received, (std::vector<std::string>{"QG", "CC"}));
  // PAUSE does nothing in 1SHOT mode.
  rig.view->run.TogglePause();
  EXPECT_EQ(rig.view->runStatus.runState, Running);
  rig.view->run.EndRun();
  rig.form.Check(ControlId::OneShotMode, false);
  rig.view->run.OnOneShotMode();
  EXPECT_EQ(rig.view->runStatus.runState, Idle);
}

}  // namespace
}  // namespace hvt

namespace hvt {
namespace {

TEST(RigIsolation, EachRigHasASettingsFolderOfItsOwn) {
  std::vector<std::filesystem::path> folders;
  for (int i = 0; i < 2; ++i) {
    // The same place on the stack each time: the folder must still differ.
    testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
    rig.settings.WriteSetting("EMV", "PORT_NUM", "7");
    ASSERT_TRUE(std::filesystem::exists(rig.settingsPath));
    folders.push_back(rig.settingsPath.parent_path());
  }
  EXPECT_NE(folders[0], folders[1]);
  for (const auto& folder : folders) EXPECT_FALSE(std::filesystem::exists(folder)) << folder;
}

}  // namespace
}  // namespace hvt
