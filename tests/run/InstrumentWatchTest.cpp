// What the program knows of an instrument it may have left live: what it
// sent (exposure), what it finds after a restart, and what it says when the
// link is gone.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "link/InstrumentActivity.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::ViewRig;

int Count(const ViewRig& rig, const std::string& text, size_t from = 0) {
  const auto& r = rig.device.received;
  return static_cast<int>(std::count(r.begin() + std::min(from, r.size()), r.end(), text));
}

// The program is killed (no goodbye) and started again against the same
// instrument, which goes on with whatever it was doing.
void Restart(ViewRig& rig) {
  rig.view.reset();
  for (int id = 1; id <= 10; ++id) rig.time.KillTimer(id);  // its timers died with it
  rig.doc.firstUpdate = 1;
  rig.doc.demoMode = 0;
  rig.view = std::make_unique<CPELKView>(
      rig.doc, CPELKView::Ports{rig.device, rig.time, rig.time, rig.prompter, rig.form,
                                rig.settings, [&rig](int n) { return rig.portPath(n); }});
  rig.time.client = rig.view.get();
  rig.view->StartUp(true);
  rig.view->watch.CheckAfterConnect(Owner::OpeningWindow);
}

std::string BusyBox(bool test, bool line) {
  return BusyText({true, test, line}) + "\n" + LoadString(TextId::FoundAskStop);
}

TEST(InstrumentWatch, AKilledRunIsAskedAboutFirstAndTheDefaultAnswerStopsIt) {
  ViewRig rig;
  rig.Unit(1, 0, 0).injectionEndless = 1;
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(1000);
  ASSERT_TRUE(rig.device.instrument.Running());

  rig.prompter.answers = {Answer::Yes};
  const size_t from = rig.device.received.size();
  Restart(rig);
  ASSERT_EQ(rig.prompter.shown.size(), 1u);
  const auto& box = rig.prompter.shown[0];
  EXPECT_EQ(box.text, BusyBox(true, false));
  EXPECT_EQ(box.defaultButton, Answer::Yes);
  EXPECT_EQ(box.owner, Owner::OpeningWindow);
  EXPECT_EQ(Count(rig, "CB", from), 1);
  EXPECT_EQ(Count(rig, "PC0", from), 1);
  EXPECT_FALSE(rig.device.instrument.Running());
  EXPECT_TRUE(rig.form.IsEnabled(C::Start));
  EXPECT_EQ(rig.form.warning, "");
}

TEST(InstrumentWatch, ATestLeftRunningIsWatchedWithStartGrayedUntilItEnds) {
  ViewRig rig;
  rig.Unit(1, 3, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(500);
  rig.prompter.answers = {Answer::No};
  const size_t from = rig.device.received.size();
  Restart(rig);
  EXPECT_EQ(rig.prompter.Texts(), std::vector<std::string>{BusyBox(true, false)});
  EXPECT_EQ(Count(rig, "CB", from), 0);  // left as it is
  EXPECT_TRUE(rig.view->watch.LeftTestRunning());
  EXPECT_FALSE(rig.form.IsEnabled(C::Start));
  EXPECT_EQ(rig.form.warning, LoadString(TextId::WatchingLeftTest));
  rig.view->run.StartRun();  // a START that got through anyway does nothing
  EXPECT_EQ(Count(rig, "CA", from), 0);
  // Its crash handlers would stop it: it counts as exposed.
  EXPECT_TRUE(rig.view->commands.exposure().testMayRun);

  // "QG" once a second, until the instrument reports no test.
  const int before = Count(rig, "QG", from);
  rig.time.RunFor(1000);
  EXPECT_EQ(Count(rig, "QG", from), before + 1);
  ASSERT_TRUE(rig.time.RunUntil([&] { return !rig.view->watch.LeftTestRunning(); }, 6000));
  EXPECT_FALSE(rig.device.instrument.Running());
  EXPECT_TRUE(rig.form.IsEnabled(C::Start));
  EXPECT_EQ(rig.form.warning, "");
}

TEST(InstrumentWatch, ALineLeftOnPutsTheProgramInLineOnAsLineDoes) {
  ViewRig rig;
  rig.form.Check(C::Line, true);
  rig.view->run.ToggleLine();
  ASSERT_TRUE(rig.device.instrument.LineOn());
  rig.prompter.answers = {Answer::No};
  Restart(rig);
  EXPECT_EQ(rig.prompter.Texts(), std::vector<std::string>{BusyBox(false, true)});
  EXPECT_EQ(rig.view->runStatus.runState, LineOn);
  EXPECT_TRUE(rig.form.IsChecked(C::Line));
  EXPECT_FALSE(rig.form.closeEnabled);
  EXPECT_TRUE(rig.form.IsEnabled(C::Start));
  // The line watch polls: switched off at the panel, the program follows.
  rig.device.instrument.PanelLineOff(rig.time.now);
  ASSERT_TRUE(rig.time.RunUntil([&] { return rig.view->runStatus.runState == Idle; }, 1000));
  EXPECT_TRUE(rig.form.closeEnabled);
}

TEST(InstrumentWatch, AnIdleInstrumentAndDemonstrationModeAskNothing) {
  ViewRig idle;
  idle.view->watch.CheckAfterConnect();
  EXPECT_TRUE(idle.prompter.shown.empty());
  EXPECT_EQ(Count(idle, "QG"), 1);
  ViewRig demo(ViewRig::DefaultOptions(), true);
  demo.view->watch.CheckAfterConnect();
  EXPECT_TRUE(demo.prompter.shown.empty());
  EXPECT_TRUE(demo.device.received.empty());
}

TEST(Exposure, FollowsWhatTheInstrumentAcceptedAndStopsOnlyThat) {
  ViewRig rig;
  InstrumentCommands& commands = rig.view->commands;
  std::vector<Exposure> told;
  commands.exposureChanged = [&](const Exposure& e) { told.push_back(e); };
  ASSERT_TRUE(commands.SendLine(true));
  EXPECT_EQ(commands.exposure(), (Exposure{false, true}));
  ASSERT_TRUE(commands.SendStart());
  EXPECT_EQ(commands.exposure(), (Exposure{true, true}));
  // A stop the instrument never took leaves the doubt standing.
  rig.device.silent = true;
  EXPECT_FALSE(commands.SendStop());
  EXPECT_TRUE(commands.exposure().testMayRun);
  rig.device.silent = false;
  const size_t from = rig.device.received.size();
  EXPECT_TRUE(commands.StopExposed());
  EXPECT_EQ(Count(rig, "CB", from), 1);
  EXPECT_EQ(Count(rig, "PC0", from), 1);
  EXPECT_EQ(commands.exposure(), Exposure{});
  EXPECT_EQ(told.size(), 4u);  // line, test, test gone, line gone
  // With nothing exposed nothing is sent.
  EXPECT_TRUE(commands.StopExposed());
  EXPECT_EQ(rig.device.received.size(), from + 2);
}

TEST(Exposure, ALinkLostUnderALiveLineOrRunSaysTheInstrumentMayStillInject) {
  const std::string mayStill = LoadString(TextId::MayStillInject);
  {
    // The line watch fails, PC0 cannot go out, the operator takes Demo Mode.
    ViewRig rig;
    rig.form.Check(C::Line, true);
    rig.view->run.ToggleLine();
    rig.device.silent = true;
    rig.prompter.answers = {Answer::Yes};
    ASSERT_TRUE(rig.time.RunUntil([&] { return rig.doc.demoMode == 1; }, 10000));
    EXPECT_EQ(rig.prompter.Texts().back(), LoadString(TextId::AskDemo) + "\n" + mayStill);
    EXPECT_EQ(rig.form.warning, mayStill);
  }
  {
    // The run's poll fails: "Communication error.", and the CB that cannot
    // go out leaves the warning.
    ViewRig rig;
    rig.Unit(1, 30, 0);
    rig.UseUnit(1);
    rig.Start();
    rig.time.RunFor(500);
    rig.device.silent = true;
    ASSERT_TRUE(rig.RunToEnd(10000));
    EXPECT_EQ(rig.prompter.Texts().back(), LoadString(TextId::CommunicationError));
    EXPECT_EQ(rig.form.warning, mayStill);
    // A new connection that finds it stopped clears it.
    rig.device.silent = false;
    rig.device.instrument.PanelStop(rig.time.now);
    rig.view->watch.CheckAfterConnect();
    EXPECT_EQ(rig.form.warning, "");
  }
  {
    // Nothing live: 6005 as it stands.
    ViewRig rig;
    rig.prompter.answers = {Answer::Yes};
    rig.device.silent = true;
    EXPECT_TRUE(rig.view->connection.AskDemo());
    EXPECT_EQ(rig.prompter.Texts().back(), LoadString(TextId::AskDemo));
    EXPECT_EQ(rig.form.warning, "");
  }
}

}  // namespace
}  // namespace hvt
