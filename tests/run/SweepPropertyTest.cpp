// Units whose sweep flags, sweepCount and sweepOrder disagree, as a
// hand-made or damaged file can hold them: every run of them ends, and
// close to its estimate, in demonstration mode and on the instrument.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>

#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

int Pick(std::mt19937& rng, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(rng);
}

template <class T>
T OneOf(std::mt19937& rng, std::initializer_list<T> values) {
  return *(values.begin() + Pick(rng, 0, static_cast<int>(values.size()) - 1));
}

// A sweep unit with random flags, count and order (a permutation or not)
// and small grids, so that a run lasts minutes, not hours.
void RandomSweepUnit(std::mt19937& rng, CPELKDoc& doc, UnitRecord& u) {
  u.testMode = 1;
  u.polaritySweep = Pick(rng, 0, 1);
  u.widthSweep = Pick(rng, 0, 1);
  u.voltageSweep = Pick(rng, 0, 1);
  u.triggerSweep = Pick(rng, 0, 1);
  u.injectionSweep = Pick(rng, 0, 1);
  u.returnSweep = Pick(rng, 0, 1);
  u.sweepCount = Pick(rng, -2, 8);
  if (Pick(rng, 0, 1)) {
    std::iota(u.sweepOrder.begin(), u.sweepOrder.end(), 0);
    std::shuffle(u.sweepOrder.begin(), u.sweepOrder.end(), rng);
  } else {
    for (auto& p : u.sweepOrder) p = Pick(rng, -2, 8);
  }
  u.polarity = Pick(rng, 0, 1);
  u.polarityStop = Pick(rng, -1, 2);
  u.widthIndex = Pick(rng, 0, 8);
  u.widthIndexStop = std::clamp(u.widthIndex + Pick(rng, -3, 3), 0, 8);
  const int limit = doc.VoltageLimit(u.terminator);
  u.voltage = Pick(rng, 1, limit);
  u.voltageStop = Pick(rng, 1, limit);
  u.voltageStep = OneOf(rng, {-30, 0, Pick(rng, limit / 5, limit)});
  u.triggerMode = Pick(rng, 0, 1);
  u.phase = Pick(rng, 0, 360);
  u.phaseStop = Pick(rng, 0, 360);
  u.phaseStep = OneOf(rng, {-45, 0, Pick(rng, 90, 360)});
  u.variable = Pick(rng, 16, 999);
  u.variableStop = Pick(rng, 16, 999);
  u.variableStep = OneOf(rng, {-100, 0, Pick(rng, 200, 999)});
  u.injectionTime = Pick(rng, 1, 3);
  u.injectionEndless = 0;
  u.intervalTime = Pick(rng, 0, 2);
  u.intervalEndless = 0;
}

std::string Describe(const UnitRecord& u) {
  std::ostringstream s;
  s << "flags " << u.polaritySweep << u.widthSweep << u.voltageSweep << u.triggerSweep
    << u.injectionSweep << u.returnSweep << " count " << u.sweepCount << " order";
  for (int p : u.sweepOrder) s << ' ' << p;
  s << " polarity " << u.polarity << "->" << u.polarityStop << " width " << u.widthIndex << "->"
    << u.widthIndexStop << " voltage " << u.voltage << "->" << u.voltageStop << "/" << u.voltageStep
    << " trigger mode " << u.triggerMode << " phase " << u.phase << "->" << u.phaseStop << "/"
    << u.phaseStep << " variable " << u.variable << "->" << u.variableStop << "/" << u.variableStep
    << " times " << u.injectionTime << "+" << u.intervalTime;
  return s.str();
}

void RunEndsNearItsEstimate(bool demo, int runs, unsigned seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < runs; ++i) {
    ViewRig rig(ViewRig::DefaultOptions(), demo);
    UnitRecord& u = rig.doc.unit(1);
    RandomSweepUnit(rng, rig.doc, u);
    rig.UseUnit(1);
    rig.Start();
    ASSERT_TRUE(rig.view->RunActive()) << Describe(u);
    const int64_t estimate = rig.view->runStatus.totalSeconds;
    const uint32_t start = rig.time.now;
    ASSERT_TRUE(rig.RunToEnd(static_cast<uint32_t>(estimate * 2000 + 10000)))
        << "run " << i << " never ended: " << Describe(u);
    EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed) << Describe(u);
    const int64_t took = static_cast<int64_t>(rig.time.now - start);
    EXPECT_LE(std::llabs(took - estimate * 1000), 1000)
        << "run " << i << " took " << took << " ms, estimated " << estimate
        << " s: " << Describe(u);
  }
}

TEST(SweepProperty, DemonstrationRunOfAnyFlagsCountAndOrderEndsOnItsEstimate) {
  RunEndsNearItsEstimate(true, 300, 20261209);
}

TEST(SweepProperty, InstrumentRunOfAnyFlagsCountAndOrderEndsOnItsEstimate) {
  RunEndsNearItsEstimate(false, 60, 4242);
}

// The case first seen: a polarity sweep left in the new document's order.
// The instrument is told of no polarity sweep and injects once; the
// demonstration steps both polarities.
TEST(SweepProperty, PolaritySweepInTheNewDocumentsOrder) {
  for (bool demo : {false, true}) {
    ViewRig rig(ViewRig::DefaultOptions(), demo);
    UnitRecord& u = rig.Unit(1, 1, 1);
    u.testMode = 1;
    u.polaritySweep = 1;
    u.sweepCount = 1;
    u.sweepOrder = {4, 5, 0, 1, 2, 3};
    rig.UseUnit(1);
    rig.Start();
    EXPECT_EQ(rig.view->runStatus.totalSeconds, demo ? 3 : 1);
    std::vector<int> polarities{rig.view->sweepState.sweepPoint.polarity};
    ASSERT_TRUE(rig.time.RunUntil(
        [&] {
          if (polarities.back() != rig.view->sweepState.sweepPoint.polarity)
            polarities.push_back(rig.view->sweepState.sweepPoint.polarity);
          return !rig.view->RunActive();
        },
        10000));
    EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
    EXPECT_EQ(polarities, (demo ? std::vector<int>{0, 1} : std::vector<int>{0}));
  }
}

}  // namespace
}  // namespace hvt
