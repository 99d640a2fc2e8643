#include <gtest/gtest.h>

#include <algorithm>

#include "model/StringTable.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

std::vector<std::string> Units(const std::vector<std::string>& received) {
  std::vector<std::string> out;
  for (const auto& t : received) {
    if (t.rfind("PD", 0) == 0) out.push_back(t);
  }
  return out;
}

// --- Demonstration mode: the view's own clock ------------------------------

TEST(DemoRun, FixedUnitEndsAfterItsInjection) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  rig.Unit(1, 3, 2);
  rig.UseUnit(1);
  rig.Start();
  ASSERT_EQ(rig.view->runStatus.runState, Running);
  EXPECT_TRUE(rig.form.Get(ControlId::PulseLabel).visible);
  EXPECT_FALSE(rig.form.closeEnabled);
  const uint32_t start = rig.time.now;
  ASSERT_TRUE(rig.RunToEnd(10000));
  // Three simulated seconds of five 200 ms ticks, then the 100 ms pause.
  EXPECT_EQ(rig.time.now - start, 3000u + 100u);
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(rig.view->runStatus.runState, Idle);
  EXPECT_EQ(rig.form.Status(), "Ready");
  EXPECT_TRUE(std::count(rig.form.statusTexts.begin(), rig.form.statusTexts.end(),
                         "START   33%   remaining 2s"));
  EXPECT_TRUE(rig.device.received.empty());  // nothing is sent in demonstration mode
  EXPECT_TRUE(rig.form.closeEnabled);
}

TEST(DemoRun, SweepOfThreePointsTakesFortySeconds) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  testing::VoltageSweepUnit(rig.doc, 1, 10, 5, 100, 200, 50);
  rig.UseUnit(1);
  rig.Start();
  EXPECT_EQ(rig.view->runStatus.totalSeconds, 40);
  const uint32_t start = rig.time.now;
  std::vector<int> voltages;
  ASSERT_TRUE(rig.time.RunUntil(
      [&] {
        if (voltages.empty() || voltages.back() != rig.view->sweepState.sweepPoint.voltage) {
          voltages.push_back(rig.view->sweepState.sweepPoint.voltage);
        }
        return !rig.view->RunActive();
      },
      60000));
  EXPECT_EQ(rig.time.now - start, 40000u + 100u);
  EXPECT_EQ(voltages, (std::vector<int>{100, 150, 200}));
  EXPECT_EQ(rig.form.statusTexts.back(), "Ready");
}

TEST(DemoRun, ProgramOfTwoUnitsEndsAfterTheLastInjection) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  rig.Unit(1, 10, 5);
  rig.Unit(2, 10, 5);
  rig.UseProgram(1, {1, 2}, 2);
  rig.Start();
  EXPECT_EQ(rig.view->runStatus.totalSeconds, 55);
  EXPECT_FALSE(rig.form.Get(ControlId::ConditionTab).visible);
  EXPECT_TRUE(rig.form.Get(ControlId::UnitOverview).visible);
  std::vector<int> shown{rig.view->runStatus.activeUnit};
  std::vector<std::string> timesLeft;
  const uint32_t start = rig.time.now;
  ASSERT_TRUE(rig.time.RunUntil(
      [&] {
        if (rig.view->RunActive() && shown.back() != rig.view->runStatus.activeUnit) {
          shown.push_back(rig.view->runStatus.activeUnit);
        }
        return !rig.view->RunActive();
      },
      90000));
  EXPECT_EQ(rig.time.now - start, 55000u + 100u);
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_TRUE(rig.form.Get(ControlId::ConditionTab).visible);
}

TEST(DemoRun, PauseFreezesTheClockAndEndlessWaitsForNext) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  UnitRecord& u = rig.Unit(1, 5, 0);
  u.injectionEndless = 1;
  rig.UseUnit(1);
  rig.Start();
  EXPECT_EQ(rig.view->runStatus.endlessInjection, 1);
  rig.time.RunFor(5000);
  EXPECT_TRUE(rig.view->RunActive());
  EXPECT_TRUE(rig.form.IsEnabled(ControlId::Start));  // NEXT
  rig.view->run.TogglePause();
  EXPECT_EQ(rig.view->runStatus.runState, Paused);
  EXPECT_EQ(rig.form.Status(), "PAUSE");
  rig.time.RunFor(5000);
  rig.view->run.TogglePause();
  EXPECT_EQ(rig.view->runStatus.runState, Running);
  rig.Start();  // NEXT ends the Endless injection
  EXPECT_EQ(rig.view->runStatus.endlessInjection, 0);
  EXPECT_FALSE(rig.form.Get(ControlId::PulseLabel).visible);
  ASSERT_TRUE(rig.RunToEnd(3000));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
}

// --- With the instrument -----------------------------------------------------

TEST(InstrumentRun, FixedUnitRunsOnTheInstrumentsClock) {
  ViewRig rig;
  ASSERT_EQ(rig.doc.demoMode, 0);
  rig.Unit(1, 3, 2);
  rig.UseUnit(1);
  rig.device.received.clear();
  rig.Start();
  EXPECT_EQ(rig.view->runStatus.runState, Waiting);
  EXPECT_FALSE(rig.form.IsEnabled(ControlId::Start));
  EXPECT_FALSE(rig.form.IsEnabled(ControlId::Pause));
  ASSERT_GE(rig.device.received.size(), 3u);
  EXPECT_EQ(rig.device.received[0], "PD0/1/0/0/20/0/0/1/0/3/0/4/3/2/1");
  EXPECT_EQ(rig.device.received[1], "CA");
  EXPECT_EQ(rig.device.received[2], "PI10");
  rig.time.RunFor(1000);
  EXPECT_EQ(rig.view->runStatus.runState, Running);
  EXPECT_TRUE(rig.form.IsEnabled(ControlId::Pause));
  ASSERT_TRUE(rig.RunToEnd(10000));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(rig.form.beeps.back(), Beep::Asterisk);
  EXPECT_EQ(rig.form.progressHistory.end()[-2], 100);  // then 0 when the run ends
  EXPECT_EQ(rig.device.received.end()[-2], "CB");
  EXPECT_EQ(rig.device.received.back(), "QC");
  EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(InstrumentRun, SecondsDigitDrivesTheCountdown) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(12100);
  // About twelve seconds counted down from the estimate of 30, across the
  // digit's wrap from 9 to 0.
  EXPECT_GE(rig.view->runStatus.secondsLeft, 17);
  EXPECT_LE(rig.view->runStatus.secondsLeft, 19);
  rig.view->run.EndRun();
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Stopped);
}

TEST(InstrumentRun, ProgramUnitsAreFedAheadInOrder) {
  ViewRig rig;
  rig.Unit(1, 3, 2);
  rig.Unit(2, 3, 2);
  rig.doc.unit(2).voltage = 200;
  rig.UseProgram(1, {1, 2}, 2);
  rig.device.received.clear();
  rig.Start();
  std::vector<std::string> timesShown;
  ASSERT_TRUE(rig.time.RunUntil(
      [&] {
        const std::string t = rig.form.Text(ControlId::TimesLeft);
        if (timesShown.empty() || timesShown.back() != t) timesShown.push_back(t);
        return !rig.view->RunActive();
      },
      60000));
  const auto units = Units(rig.device.received);
  ASSERT_EQ(units.size(), 4u);
  EXPECT_EQ(units[0].substr(0, 6), "PD0/1/");
  EXPECT_EQ(units[1].substr(0, 8), "PD0/200/");
  EXPECT_EQ(units[2].substr(0, 6), "PD0/1/");
  EXPECT_EQ(units[3].substr(0, 8), "PD0/200/");
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_NE(std::find(rig.device.received.begin(), rig.device.received.end(), "PI20"),
            rig.device.received.end());
  EXPECT_EQ(timesShown.front(), "2");
  EXPECT_NE(std::find(timesShown.begin(), timesShown.end(), "1"), timesShown.end());
}

TEST(InstrumentRun, EachProgramUnitIsCheckedAgainstItsOwnLimit) {
  ViewRig rig;
  rig.Unit(1, 2, 1).terminator = kTerminatorExt50;  // 3.96 kV at most
  UnitRecord& high = rig.Unit(2, 2, 1);
  high.voltage = 405;  // allowed into the internal terminator only
  rig.UseUnit(1);
  rig.UseProgram(1, {1, 2}, 1);
  rig.Start();
  ASSERT_TRUE(rig.RunToEnd(30000));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(InstrumentRun, ErrorCodeEndsTheRunWithItsMessage) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(2000);
  rig.device.instrument.RaiseError(4, rig.time.now);
  ASSERT_TRUE(rig.RunToEnd(2000));
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.prompter.shown.back().text, LoadString(TextId::ErrorFan));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::InstrumentReport);
  EXPECT_EQ(rig.device.received.end()[-2], "CB");
}

TEST(InstrumentRun, SilenceIsACommunicationError) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(1000);
  rig.device.silent = true;
  ASSERT_TRUE(rig.RunToEnd(10000));
  EXPECT_EQ(rig.prompter.shown.front().text, "Communication error.");
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::CommunicationFailure);
}

TEST(InstrumentRun, LineSwitchedOffAtThePanel) {
  ViewRig rig;
  rig.form.Check(ControlId::Line, true);
  rig.view->run.ToggleLine();
  EXPECT_EQ(rig.view->runStatus.runState, LineOn);
  EXPECT_FALSE(rig.form.closeEnabled);
  EXPECT_EQ(rig.form.Get(ControlId::Line).image, Image::LineOn);
  rig.time.RunFor(1000);
  rig.device.instrument.PanelLineOff(rig.time.now);
  rig.time.RunFor(1000);
  EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{LoadString(TextId::LineOffAtInstrument)}));
  EXPECT_EQ(rig.view->runStatus.runState, Idle);
  EXPECT_FALSE(rig.form.IsChecked(ControlId::Line));
  EXPECT_TRUE(rig.form.closeEnabled);
  EXPECT_FALSE(rig.time.IsSet(3));
}

TEST(InstrumentRun, FailedStartOffersDemoModeAndEndsTheRun) {
  ViewRig rig;
  rig.Unit(1, 3, 0);
  rig.UseUnit(1);
  rig.device.silent = true;
  rig.prompter.answers = {Answer::Yes};
  rig.Start();
  EXPECT_FALSE(rig.view->RunActive());
  EXPECT_EQ(rig.prompter.Texts().front(), LoadString(TextId::AskDemo));
  EXPECT_EQ(rig.doc.demoMode, 1);
  EXPECT_TRUE(rig.form.Get(ControlId::DemoLabel).visible);
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::CommunicationFailure);
}

TEST(InstrumentRun, PauseAndResumeFollowTheInstrument) {
  ViewRig rig;
  rig.Unit(1, 30, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(1500);
  ASSERT_EQ(rig.view->runStatus.runState, Running);
  rig.view->run.TogglePause();
  EXPECT_EQ(rig.view->runStatus.runState, Paused);
  EXPECT_TRUE(rig.device.instrument.Paused());
  const int left = rig.view->runStatus.secondsLeft;
  rig.time.RunFor(3000);
  EXPECT_EQ(rig.view->runStatus.secondsLeft, left);
  EXPECT_EQ(rig.device.received.back(), "QF");  // the paused tick reads the levels
  rig.view->run.TogglePause();
  EXPECT_EQ(rig.view->runStatus.runState, Running);
  rig.time.RunFor(2100);
  EXPECT_LT(rig.view->runStatus.secondsLeft, left);
}

}  // namespace
}  // namespace hvt
