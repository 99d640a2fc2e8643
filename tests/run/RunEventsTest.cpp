#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;
using C = ControlId;

// Every event as a word, the point ones with the voltage then running.
struct EventLog : RunEvents {
  explicit EventLog(const CPELKView& view) : view(view) {}
  void RunStarted(int32_t unit, bool program) override {
    Add("start " + std::to_string(unit) + (program ? " program" : ""));
  }
  void UnitStarted(int32_t unit, int32_t position) override {
    Add("unit " + std::to_string(unit) + " at " + std::to_string(position));
  }
  void PointStarted(int32_t) override {
    Add("point " + std::to_string(view.sweepState.sweepPoint.voltage));
  }
  void Paused() override { Add("pause"); }
  void Resumed() override { Add("resume"); }
  void SingleShot() override { Add("shot"); }
  void LineSwitched(bool on, LineCause) override { Add(on ? "line on" : "line off"); }
  void Failed(RunEnd, const std::string&, bool, int32_t) override { Add("failed"); }
  void Stopped(RunEnd how, bool accepted) override {
    Add(std::string(how == RunEnd::Completed ? "completed" : "stopped") +
        (accepted ? "" : " unconfirmed"));
  }
  void Add(std::string word) { words.push_back(std::move(word)); }
  const CPELKView& view;
  std::vector<std::string> words;
};

// The instrument steps the sweep itself and the demonstration clock steps
// it here: either way each grid point is reported once, with its voltage.
TEST(RunEvents, ASweepReportsEachPointOnceAndItsEnd) {
  for (bool demo : {false, true}) {
    ViewRig rig(ViewRig::DefaultOptions(), demo);
    EventLog log(*rig.view);
    rig.view->AddRunListener(log);
    testing::VoltageSweepUnit(rig.doc, 1, 2, 1, 100, 200, 50);
    rig.UseUnit(1);
    rig.Start();
    ASSERT_TRUE(rig.RunToEnd(60000)) << demo;
    EXPECT_EQ(log.words, (std::vector<std::string>{"start 1", "point 100", "point 150", "point 200",
                                                   "completed"}))
        << (demo ? "demonstration" : "instrument");
  }
}

TEST(RunEvents, PauseLineAndStopAreReportedAfterTheirCommands) {
  ViewRig rig;
  EventLog log(*rig.view);
  rig.view->AddRunListener(log);
  rig.Unit(2, 30, 0).voltage = 120;
  rig.UseUnit(2);
  rig.form.Check(C::Line, true);
  rig.view->run.ToggleLine();
  rig.Start();
  rig.time.RunFor(1500);
  rig.view->run.TogglePause();
  rig.time.RunFor(500);
  rig.view->run.TogglePause();
  rig.time.RunFor(500);
  rig.view->run.EndRun();
  rig.form.Check(C::Line, false);
  rig.view->run.ToggleLine();
  EXPECT_EQ(log.words, (std::vector<std::string>{"line on", "start 2", "point 120", "pause",
                                                 "resume", "stopped", "line off"}));
}

}  // namespace
}  // namespace hvt
