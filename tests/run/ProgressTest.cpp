#include <gtest/gtest.h>

#include <algorithm>

#include "run/SequenceControl.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

TEST(Progress, RemainingTimeTexts) {
  EXPECT_EQ(SequenceControl::RemainingTimeText(45), "45s");
  EXPECT_EQ(SequenceControl::RemainingTimeText(60), "1m 0s");
  EXPECT_EQ(SequenceControl::RemainingTimeText(125), "2m 5s");
  EXPECT_EQ(SequenceControl::RemainingTimeText(3605), "1h 5s");
  EXPECT_EQ(SequenceControl::RemainingTimeText(3725), "1h 2m 5s");
  EXPECT_EQ(SequenceControl::RemainingTimeText(-4), "0s");
}

TEST(Progress, StatusTextAndPercentage) {
  int percent = -1;
  EXPECT_EQ(SequenceControl::ProgressText(250, 125, &percent), "START   50%   remaining 2m 5s");
  EXPECT_EQ(percent, 50);
  EXPECT_EQ(SequenceControl::ProgressText(3, 2, &percent), "START   33%   remaining 2s");
  // An estimate that ran out stays at 100; a zero estimate divides nothing.
  SequenceControl::ProgressText(10, -3, &percent);
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(SequenceControl::ProgressText(0, 0, &percent), "START   100%   remaining 0s");
}

TEST(Progress, ProgramTotalTimeCountsIntervalsBetweenUnitsAndRepetitions) {
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  rig.Unit(1, 10, 5);
  rig.Unit(2, 10, 5);
  rig.UseProgram(1, {1, 2}, 2);
  EXPECT_EQ(rig.view->sequence.PrepareProgramRun().totalSeconds, 55);

  rig.doc.unit(2).intervalEndless = 1;  // counted as 1 s between repetitions
  rig.view->sequenceState.sendTimesLeft = 2;
  EXPECT_EQ(rig.view->sequence.PrepareProgramRun().totalSeconds, (10 + 5 + 10 + 1) * 2 - 1);
}

TEST(Progress, LineStepsAreNeverUnits) {
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  rig.Unit(3, 2, 1);
  rig.UseProgram(2, {kStepLineOn, 3, kStepLineOff}, 1);
  EXPECT_EQ(rig.view->sequence.RunPositions(), (std::vector<int32_t>{3}));
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 0), "LineOn");
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 4), "LineOff");

  rig.UseProgram(3, {kStepLineOn}, 1);
  rig.Start();
  EXPECT_FALSE(rig.view->RunActive());
  EXPECT_EQ(rig.prompter.Texts().back(), "Select Unit numbers to be exectued.");
}

TEST(Progress, ProgramListShowsNamesOrNumbers) {
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  rig.doc.unit(4).name = "Surge-long";
  rig.UseProgram(1, {4, 12}, 1);
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 0), "Surge-");
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 1), "->");
  rig.doc.showUnitNames = 0;
  rig.view->lists.ShowProgram();
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 2), "No.12 ");
}

TEST(Progress, PercentageTruncates) {
  int percent = -1;
  EXPECT_EQ(SequenceControl::ProgressText(3, 1, &percent), "START   66%   remaining 1s");
  EXPECT_EQ(percent, 66);
  SequenceControl::ProgressText(1000, 1, &percent);
  EXPECT_EQ(percent, 99);

  // As a run shows it: two of three seconds gone.
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  rig.Unit(1, 3, 0);
  rig.UseUnit(1);
  rig.Start();
  ASSERT_TRUE(rig.RunToEnd(10000));
  const auto& texts = rig.form.statusTexts;
  EXPECT_NE(std::find(texts.begin(), texts.end(), "START   66%   remaining 1s"), texts.end());
  const auto& bar = rig.form.progressHistory;
  EXPECT_NE(std::find(bar.begin(), bar.end(), 66), bar.end());
  EXPECT_EQ(std::find(bar.begin(), bar.end(), 67), bar.end());
}

TEST(Progress, OneUnitProgramRepeatedThreeTimes) {
  for (bool demo : {false, true}) {
    SCOPED_TRACE(demo ? "demonstration mode" : "instrument");
    testing::ViewRig rig(testing::ViewRig::DefaultOptions(), demo);
    rig.Unit(1, 2, 1).voltage = 123;
    rig.UseProgram(1, {1}, 3);
    rig.device.received.clear();
    rig.Start();
    std::vector<std::string> shown;
    ASSERT_TRUE(rig.time.RunUntil(
        [&] {
          if (!rig.view->RunActive()) return true;
          const std::string t = rig.form.Text(ControlId::TimesLeft);
          if (shown.empty() || shown.back() != t) shown.push_back(t);
          return false;
        },
        60000));
    EXPECT_EQ(shown, (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
    std::vector<std::string> units;
    for (const auto& t : rig.device.received) {
      if (t.rfind("PD", 0) == 0) units.push_back(t);
    }
    if (demo) {
      EXPECT_TRUE(units.empty());
    } else {
      ASSERT_EQ(units.size(), 3u);
      EXPECT_EQ(units[0].substr(0, 8), "PD0/123/");
      EXPECT_EQ(units[1], units[0]);
      EXPECT_EQ(units[2], units[0]);
    }
  }
}

}  // namespace
}  // namespace hvt
