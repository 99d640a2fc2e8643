#include <gtest/gtest.h>

#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

class SweepTest : public ::testing::Test {
 protected:
  SweepTest() : rig(ViewRig::DefaultOptions(), true) {}

  UnitRecord& VoltageSweep(int start, int stop, int step) {
    UnitRecord& u = rig.doc.unit(1);
    u.testMode = 1;
    u.voltageSweep = 1;
    u.sweepCount = 1;
    u.voltage = start;
    u.voltageStop = stop;
    u.voltageStep = step;
    u.sweepOrder = {4, 5, 0, 1, 3, 2};  // voltage innermost
    rig.UseUnit(1);
    rig.view->formState.sweepLevels = 1;
    rig.view->sweep.LoadRunCounters(1);
    return u;
  }

  // The voltages visited by stepping the innermost level, until the carry.
  std::vector<int> Voltages() {
    std::vector<int> seen{rig.view->sweepState.sweepPoint.voltage};
    for (int i = 0; i < 20; ++i) {
      if (rig.view->sweep.SweepStep(5, 1)) break;
      seen.push_back(rig.view->sweepState.sweepPoint.voltage);
    }
    return seen;
  }

  ViewRig rig;
};

TEST_F(SweepTest, StopValueIsAGridPointAndPassingItWraps) {
  VoltageSweep(100, 200, 50);
  EXPECT_EQ(Voltages(), (std::vector<int>{100, 150, 200}));
  EXPECT_EQ(rig.view->sweepState.sweepPoint.voltage, 100);  // wrapped to the start
  VoltageSweep(100, 200, 60);
  EXPECT_EQ(Voltages(), (std::vector<int>{100, 160}));
  VoltageSweep(200, 100, 60);
  EXPECT_EQ(Voltages(), (std::vector<int>{200, 140}));
}

// A level that never carried would hold the outer levels for ever: a step
// that is not positive gives one value in either direction.
TEST_F(SweepTest, ZeroOrNegativeStepCarriesAtOnceInEitherDirection) {
  for (auto [start, stop, step] : {std::array{100, 200, 0}, std::array{200, 100, 0},
                                   std::array{100, 200, -50}, std::array{200, 100, -50}}) {
    VoltageSweep(start, stop, step);
    EXPECT_EQ(rig.view->sweep.SweepStep(5, 1), 1) << start << " " << stop << " " << step;
    EXPECT_EQ(rig.view->sweepState.sweepPoint.voltage, start);
    EXPECT_EQ(rig.view->sweep.RemainingSteps(1, false), 0);
  }
}

TEST_F(SweepTest, PolarityDirectionFollowsStartAndStop) {
  UnitRecord& u = rig.doc.unit(1);
  u.sweepOrder = {4, 5, 1, 2, 3, 0};
  rig.UseUnit(1);
  auto visit = [&](int start, int stop) {
    u.polarity = start;
    u.polarityStop = stop;
    rig.view->sweep.LoadRunCounters(1);
    std::vector<int> seen{rig.view->sweepState.sweepPoint.polarity};
    while (!rig.view->sweep.SweepStep(5, 1)) seen.push_back(rig.view->sweepState.sweepPoint.polarity);
    return seen;
  };
  EXPECT_EQ(visit(0, 0), (std::vector<int>{0, 1}));
  EXPECT_EQ(visit(1, 1), (std::vector<int>{1}));
  EXPECT_EQ(visit(1, 0), (std::vector<int>{1, 0}));
}

TEST_F(SweepTest, NestedLevelsRunTheInnerThroughForEachOuterValue) {
  UnitRecord& u = rig.doc.unit(1);
  u.testMode = 1;
  u.voltageSweep = u.triggerSweep = 1;
  u.sweepCount = 2;
  u.triggerMode = 0;
  u.voltage = 100;
  u.voltageStop = 200;
  u.voltageStep = 100;
  u.phase = 0;
  u.phaseStop = 90;
  u.phaseStep = 45;
  u.sweepOrder = {4, 5, 0, 1, 2, 3};  // voltage outer, phase inner
  rig.UseUnit(1);
  rig.view->formState.sweepLevels = 2;
  rig.view->sweep.LoadRunCounters(1);
  std::vector<std::pair<int, int>> points{{100, 0}};
  for (int i = 0; i < 5; ++i) {
    rig.view->sweep.AdvanceSweep(1);
    points.push_back({rig.view->sweepState.sweepPoint.voltage, rig.view->sweepState.sweepPoint.phase});
  }
  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{
                        {100, 0}, {100, 45}, {100, 90}, {200, 0}, {200, 45}, {200, 90}}));
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, true), 0);
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, false), 5);
  rig.view->sweep.AdvanceSweep(1);  // the whole grid wraps
  EXPECT_EQ(rig.view->sweepState.sweepPoint.voltage, 100);
  EXPECT_EQ(rig.view->sweepState.sweepPoint.phase, 0);
}

TEST_F(SweepTest, PolaritySweepEndsOnItsLastValue) {
  UnitRecord& u = rig.doc.unit(1);
  u.testMode = 1;
  u.polaritySweep = 1;
  u.sweepCount = 1;
  u.sweepOrder = {4, 5, 1, 2, 3, 0};
  rig.UseUnit(1);
  rig.view->formState.sweepLevels = 1;
  rig.view->sweep.LoadRunCounters(1);
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, true), 1);
  rig.view->sweep.SweepStep(5, 1);
  EXPECT_EQ(rig.view->sweepState.sweepPoint.polarity, 1);
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, true), 0);
  u.polarity = 1;  // from 1 towards 1: one value only
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, false), 0);
}

TEST_F(SweepTest, RunSecondsEstimate) {
  UnitRecord& u = VoltageSweep(100, 200, 50);
  u.injectionTime = 10;
  u.injectionEndless = 0;
  u.intervalTime = 5;
  u.intervalEndless = 0;
  EXPECT_EQ(rig.view->sweep.UnitRunSeconds(1, false), 3 * 10 + 2 * 5);
  u.testMode = 0;
  EXPECT_EQ(rig.view->sweep.UnitRunSeconds(1, false), 10);
  u.injectionEndless = 1;
  EXPECT_EQ(rig.view->sweep.UnitRunSeconds(1, false), 1);
}

TEST_F(SweepTest, BrokenStepsDoNotDivideByZero) {
  UnitRecord& u = rig.doc.unit(1);
  u.testMode = 1;
  u.triggerSweep = 1;
  u.sweepCount = 1;
  u.triggerMode = 1;
  u.variable = 20;
  u.variableStop = 40;
  u.variableStep = 0;
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, false), 0);
  u.triggerMode = 0;
  u.phase = 0;
  u.phaseStop = 300;
  u.phaseStep = 0;
  EXPECT_EQ(rig.view->sweep.RemainingSteps(1, false), 0);
}

TEST_F(SweepTest, ClearingTheInnermostFlagMovesTheOthersInward) {
  UnitRecord& u = rig.doc.unit(1);
  u.sweepOrder = {4, 5, 0, 1, 2, 3};  // width, voltage, trigger active
  rig.UseUnit(1);
  rig.view->formState.sweepLevels = 2;  // after the flag was cleared
  rig.view->selections.RemoveFromSweepOrder(3);
  EXPECT_EQ(u.sweepOrder, (std::array<int32_t, 6>{4, 5, 0, 3, 1, 2}));
  // A parameter already outside the active levels leaves the order intact.
  rig.view->selections.RemoveFromSweepOrder(4);
  EXPECT_EQ(u.sweepOrder, (std::array<int32_t, 6>{4, 5, 0, 3, 1, 2}));
}

TEST_F(SweepTest, SequenceLabelsShowTheCurrentPoint) {
  UnitRecord& u = VoltageSweep(5, 100, 95);
  u.widthIndex = 8;
  u.polarity = 1;
  rig.view->sweep.ShowSweepValues(false);
  // Voltage innermost sits at level 5; width at level 3.
  EXPECT_EQ(rig.form.Text(ControlId(1076)), "0.05");
  EXPECT_EQ(rig.form.Text(ControlId(1074)), "Tri");
  EXPECT_EQ(rig.form.Text(ControlId(1073)), "-");
  EXPECT_EQ(rig.form.Text(ControlId(1071)), "L1");
  EXPECT_EQ(rig.form.Text(ControlId(1072)), "SG");
  rig.view->sweep.SweepStep(5, 1);
  rig.view->sweep.ShowSweepValues(true);
  EXPECT_EQ(rig.form.Text(ControlId(1076)), "1.00");
}

}  // namespace
}  // namespace hvt
