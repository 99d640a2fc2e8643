// The whole view (run engine, link, serial port, timers on the event loop)
// against hvt-sim over a real pseudo-terminal.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "link/PortPaths.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "platform/QtSerialDevice.h"
#include "platform/QtTimerHost.h"
#include "platform/SteadyClock.h"
#include "view/CPELKView.h"
#include "support/RecordingForm.h"
#include "support/ScriptedPrompter.h"
#include "support/SimProcess.h"
#include "support/UnitSetup.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

class RunE2ETest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> simArgs = {}) {
    sim = std::make_unique<testing::SimProcess>(std::move(simArgs));
    ASSERT_FALSE(sim->Path().empty()) << "hvt-sim did not start";
    dir = fs::temp_directory_path() /
          ("hvt-run-e2e-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    settings =
        std::make_unique<SettingsFile>(SettingsFile::PathUnder(dir), [](const fs::path&, bool) {});
    const std::string path = sim->Path();
    view =
        std::make_unique<CPELKView>(doc, CPELKView::Ports{device, clock, timers, prompter, form,
                                                          *settings, [path](int) { return path; }});
    timers.SetClient(view.get());
    ASSERT_TRUE(view->StartUp());
    ASSERT_EQ(doc.demoMode, 0) << "the simulator was not identified";
    prompter.shown.clear();
  }
  void TearDown() override {
    view.reset();
    if (sim) {
      EXPECT_TRUE(sim->Stop());
    }
    fs::remove_all(dir);
  }

  UnitRecord& Unit(int n, int injection, int interval) {
    return testing::TimedUnit(doc, n, injection, interval);
  }
  void UseUnit(int n) { hvt::testing::UseUnit(doc, *view, n); }
  // Runs the event loop until pred holds or the bound passes.
  bool LoopUntil(const std::function<bool()>& pred, int boundMs) {
    if (pred()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
      if (pred()) loop.quit();
    });
    check.start(20);
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    loop.exec();
    return pred();
  }
  bool RunToEnd(int boundMs) {
    return LoopUntil([&] { return !view->RunActive(); }, boundMs);
  }

  std::unique_ptr<testing::SimProcess> sim;
  fs::path dir;
  std::unique_ptr<SettingsFile> settings;
  QtSerialDevice device;
  SteadyClock clock;
  QtTimerHost timers;
  testing::RecordingForm form;
  testing::ScriptedPrompter prompter;
  CPELKDoc doc;
  std::unique_ptr<CPELKView> view;
};

TEST_F(RunE2ETest, FixedUnitCompletes) {
  Start();
  Unit(1, 2, 1);
  UseUnit(1);
  view->run.StartRun();
  EXPECT_EQ(view->runStatus.runState, Waiting);
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.runState == Running; }, 2000));
  ASSERT_TRUE(RunToEnd(8000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(form.beeps.back(), Beep::Asterisk);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(RunE2ETest, VoltageSweepReportsTheSteppedVoltages) {
  Start();
  UnitRecord& u = Unit(1, 1, 0);
  u.testMode = 1;
  u.voltageSweep = 1;
  u.sweepCount = 1;
  u.voltage = 100;
  u.voltageStop = 300;
  u.voltageStep = 100;
  u.sweepOrder = {4, 5, 0, 1, 3, 2};
  UseUnit(1);
  view->run.StartRun();
  EXPECT_EQ(view->runStatus.totalSeconds, 3);
  std::vector<std::string> shown;
  ASSERT_TRUE(LoopUntil(
      [&] {
        const std::string v = form.Text(ControlId(1076));
        if (view->runStatus.runState == Running && (shown.empty() || shown.back() != v)) shown.push_back(v);
        return !view->RunActive();
      },
      10000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(shown, (std::vector<std::string>{"1.00", "2.00", "3.00"}));
}

TEST_F(RunE2ETest, VoltageTimesPhaseSweep) {
  Start();
  UnitRecord& u = Unit(1, 1, 0);
  u.testMode = 1;
  u.triggerMode = 0;
  u.voltageSweep = u.triggerSweep = 1;
  u.sweepCount = 2;
  u.voltage = 100;
  u.voltageStop = 200;
  u.voltageStep = 100;
  u.phase = 0;
  u.phaseStop = 90;
  u.phaseStep = 90;
  u.sweepOrder = {4, 5, 0, 1, 2, 3};  // voltage outer, phase inner
  UseUnit(1);
  view->run.StartRun();
  EXPECT_EQ(view->runStatus.totalSeconds, 4);
  std::vector<std::pair<int, int>> points;
  ASSERT_TRUE(LoopUntil(
      [&] {
        const std::pair<int, int> p{view->sweepState.sweepPoint.voltage, view->sweepState.sweepPoint.phase};
        if (view->runStatus.runState == Running && (points.empty() || points.back() != p))
          points.push_back(p);
        return !view->RunActive();
      },
      12000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{{100, 0}, {100, 90}, {200, 0}, {200, 90}}));
}

TEST_F(RunE2ETest, ProgramOfThreeUnitsRepeatedTwice) {
  Start();
  for (int n : {3, 5, 7}) Unit(n, 1, 1).voltage = 50 * n;
  ProgramRecord& p = doc.program(2);
  p.step(1) = 3;
  p.step(3) = 5;
  p.step(5) = 7;
  p.times = 2;
  doc.currentProgram = 2;
  doc.programMode = 1;
  view->lists.ShowProgram();
  view->run.StartRun();
  std::vector<int> units;
  std::vector<std::string> times;
  ASSERT_TRUE(LoopUntil(
      [&] {
        if (view->RunActive() && (units.empty() || units.back() != view->runStatus.activeUnit)) {
          units.push_back(view->runStatus.activeUnit);
        }
        const std::string t = form.Text(ControlId::TimesLeft);
        if (times.empty() || times.back() != t) times.push_back(t);
        return !view->RunActive();
      },
      20000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
  EXPECT_EQ(units, (std::vector<int>{3, 5, 7, 3, 5, 7}));
  EXPECT_EQ(times.front(), "2");
  EXPECT_NE(std::find(times.begin(), times.end(), "1"), times.end());
}

TEST_F(RunE2ETest, PauseAndResume) {
  Start();
  Unit(1, 4, 0);
  UseUnit(1);
  view->run.StartRun();
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.runState == Running; }, 2000));
  view->run.TogglePause();
  EXPECT_EQ(view->runStatus.runState, Paused);
  EXPECT_EQ(form.Status(), "PAUSE");
  const int left = view->runStatus.secondsLeft;
  LoopUntil([] { return false; }, 1500);
  EXPECT_EQ(view->runStatus.secondsLeft, left);
  EXPECT_TRUE(view->RunActive());
  view->run.TogglePause();
  EXPECT_EQ(view->runStatus.runState, Running);
  ASSERT_TRUE(RunToEnd(8000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
}

TEST_F(RunE2ETest, NextEndsAnEndlessInjection) {
  Start();
  UnitRecord& u = Unit(1, 1, 0);
  u.injectionEndless = 1;
  UseUnit(1);
  view->run.StartRun();
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.endlessInjection == 1; }, 3000));
  EXPECT_TRUE(form.IsEnabled(ControlId::Start));
  LoopUntil([] { return false; }, 1000);
  EXPECT_TRUE(view->RunActive());
  view->run.StartRun();  // NEXT
  ASSERT_TRUE(RunToEnd(5000));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::Completed);
}

TEST_F(RunE2ETest, ErrorCodeFourMidRun) {
  Start();
  Unit(1, 10, 0);
  UseUnit(1);
  view->run.StartRun();
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.runState == Running; }, 2000));
  EXPECT_EQ(sim->Command("error 4"), "ok error 4");
  ASSERT_TRUE(RunToEnd(3000));
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{LoadString(TextId::ErrorFan)}));
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::InstrumentReport);
}

TEST_F(RunE2ETest, SilentInstrumentIsACommunicationError) {
  Start();
  Unit(1, 10, 0);
  UseUnit(1);
  view->run.StartRun();
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.runState == Running; }, 2000));
  EXPECT_EQ(sim->Command("silent 100"), "ok silent 100");
  ASSERT_TRUE(RunToEnd(8000));
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.front().text, "Communication error.");
  EXPECT_EQ(view->run.lastRunEnd, RunEnd::CommunicationFailure);
}

TEST_F(RunE2ETest, LineSwitchedOffAtThePanel) {
  Start();
  form.Check(ControlId::Line, true);
  view->run.ToggleLine();
  ASSERT_EQ(view->runStatus.runState, LineOn);
  LoopUntil([] { return false; }, 500);
  EXPECT_EQ(sim->Command("line-off"), "ok line-off");
  ASSERT_TRUE(LoopUntil([&] { return view->runStatus.runState == Idle; }, 3000));
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{LoadString(TextId::LineOffAtInstrument)}));
  EXPECT_FALSE(form.IsChecked(ControlId::Line));
}

}  // namespace
}  // namespace hvt
