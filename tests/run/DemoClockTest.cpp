// The clock that stands in for the instrument in demonstration mode.

#include <gtest/gtest.h>

#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

TEST(DemoClock, PauseFreezesTheCountdownWhilePaused) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  rig.Unit(1, 10, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(3000);
  ASSERT_EQ(rig.view->runStatus.secondsLeft, 7);
  rig.view->run.TogglePause();
  ASSERT_EQ(rig.view->runStatus.runState, Paused);
  for (int s = 1; s <= 5; ++s) {
    rig.time.RunFor(1000);
    EXPECT_EQ(rig.view->runStatus.secondsLeft, 7) << "after " << s << " s paused";
    EXPECT_EQ(rig.view->sweepState.injectionLeft, 7) << "after " << s << " s paused";
  }
  EXPECT_EQ(rig.form.Status(), "PAUSE");
  rig.view->run.TogglePause();
  ASSERT_EQ(rig.view->runStatus.runState, Running);
  rig.time.RunFor(1000);
  EXPECT_EQ(rig.view->runStatus.secondsLeft, 6);
  ASSERT_TRUE(rig.RunToEnd(10000));
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
}

TEST(DemoClock, EndlessPhasesDoNotCountDown) {
  // An Endless injection: the estimate counts it as one second, and that
  // second passes only after NEXT.
  ViewRig injection(ViewRig::DefaultOptions(), true);
  injection.Unit(1, 5, 0).injectionEndless = 1;
  injection.UseUnit(1);
  injection.Start();
  ASSERT_EQ(injection.view->runStatus.totalSeconds, 1);
  for (int s = 1; s <= 4; ++s) {
    injection.time.RunFor(1000);
    EXPECT_EQ(injection.view->runStatus.secondsLeft, 1) << "after " << s << " s";
  }
  EXPECT_EQ(injection.form.Status(), "START   0%   remaining 1s");
  injection.Start();  // NEXT
  ASSERT_TRUE(injection.RunToEnd(3000));
  EXPECT_EQ(injection.view->run.lastRunEnd, RunEnd::Completed);

  // An Endless interval between two sweep points.
  ViewRig interval(ViewRig::DefaultOptions(), true);
  testing::VoltageSweepUnit(interval.doc, 1, 2, 0, 100, 150, 50).intervalEndless = 1;
  interval.UseUnit(1);
  interval.Start();
  ASSERT_EQ(interval.view->runStatus.totalSeconds, 2 + 1 + 2);
  interval.time.RunFor(2000);  // the first point's injection
  ASSERT_EQ(interval.view->runStatus.endlessInterval, 1);
  const int left = interval.view->runStatus.secondsLeft;
  EXPECT_EQ(left, 3);
  for (int s = 1; s <= 4; ++s) {
    interval.time.RunFor(1000);
    EXPECT_EQ(interval.view->runStatus.secondsLeft, left) << "after " << s << " s of the interval";
  }
  interval.Start();  // NEXT
  ASSERT_TRUE(interval.RunToEnd(10000));
  EXPECT_EQ(interval.view->run.lastRunEnd, RunEnd::Completed);
}

TEST(DemoClock, SweepWithoutIntervalStepsInTheSecondTheInjectionEnds) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  testing::VoltageSweepUnit(rig.doc, 1, 2, 0, 100, 200, 50);
  rig.UseUnit(1);
  rig.Start();
  ASSERT_EQ(rig.view->runStatus.totalSeconds, 6);
  const uint32_t start = rig.time.now;
  // The voltage of each simulated second, read right after it was counted.
  std::vector<int> voltages;
  for (int s = 1; s <= 5; ++s) {
    rig.time.RunFor(1000);
    voltages.push_back(rig.view->sweepState.sweepPoint.voltage);
  }
  EXPECT_EQ(voltages, (std::vector<int>{100, 150, 150, 200, 200}));
  ASSERT_TRUE(rig.RunToEnd(5000));
  EXPECT_EQ(rig.time.now - start, 6000u + 100u);
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
}

}  // namespace
}  // namespace hvt
