// Set commands that the instrument refuses: one more attempt, then the
// demonstration-mode prompt and the end of the run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/InstrumentActivity.h"
#include "model/StringTable.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

long Count(const std::vector<std::string>& texts, const std::string& prefix) {
  return std::count_if(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.rfind(prefix, 0) == 0; });
}

// A rig with unit 1 (30 s, so nothing ends by itself) on the form.
struct Rig : ViewRig {
  Rig() {
    Unit(1, 30, 0);
    UseUnit(1);
    device.received.clear();
  }
  void StartAndRun() {
    Start();
    time.RunFor(1000);
  }
};

// What the operator does to send the command, from an idle form.
struct Case {
  const char* command;
  std::function<void(Rig&)> act;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases{
      {"PD", [](Rig& r) { r.Start(); }},
      {"CA", [](Rig& r) { r.Start(); }},
      {"CD",
       [](Rig& r) {
         r.StartAndRun();
         r.view->run.TogglePause();
       }},
      {"PE",
       [](Rig& r) {
         r.StartAndRun();
         r.view->run.SendUpdate();
       }},
      {"PC",
       [](Rig& r) {
         r.form.Check(ControlId::Line, true);
         r.view->run.ToggleLine();
       }},
  };
  return cases;
}

TEST(CommandRetry, RefusedOnceTheSecondAttemptCarriesOn) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.command);
    Rig rig;
    rig.device.refuse[c.command] = 1;
    c.act(rig);
    EXPECT_EQ(Count(rig.device.received, c.command), 2);
    EXPECT_TRUE(rig.prompter.shown.empty()) << rig.prompter.Texts().front();
    EXPECT_EQ(rig.doc.demoMode, 0);
    if (std::string(c.command) == "PC") {
      EXPECT_EQ(rig.view->runStatus.runState, LineOn);
      continue;
    }
    EXPECT_TRUE(rig.view->RunActive());
    if (std::string(c.command) == "CD") {
      EXPECT_EQ(rig.view->runStatus.runState, Paused);
    }
    if (std::string(c.command) == "PE") {
      EXPECT_EQ(rig.form.beeps.back(), Beep::Standard);
    }
    rig.time.RunFor(2000);
    EXPECT_TRUE(rig.view->RunActive());
    EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::None);
  }
}

TEST(CommandRetry, RefusedTwiceOffersDemonstrationModeAndEndsTheRun) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.command);
    Rig rig;
    rig.device.refuse[c.command] = 2;
    rig.prompter.answers = {Answer::No};
    c.act(rig);
    EXPECT_EQ(Count(rig.device.received, c.command), 2);
    // All but a refused unit come with the test or the line live: the
    // instrument may go on, as an acknowledgement may have been what was lost.
    const std::string live = "\n" + LoadString(TextId::MayStillInject);
    EXPECT_EQ(rig.prompter.Texts(),
              (std::vector<std::string>{LoadString(TextId::AskDemo) +
                                        (c.command == std::string("PD") ? "" : live)}));
    EXPECT_EQ(rig.doc.demoMode, 0);  // the operator said No
    EXPECT_FALSE(rig.view->RunActive());
    EXPECT_EQ(rig.view->runStatus.runState, Idle);
    if (std::string(c.command) == "PC") {
      EXPECT_FALSE(rig.form.IsChecked(ControlId::Line));
      continue;
    }
    EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::CommunicationFailure);
    EXPECT_FALSE(rig.time.IsSet(2));
    // The instrument is told to stop; a refused unit is never started.
    EXPECT_EQ(Count(rig.device.received, "CB"), 1);
    if (std::string(c.command) == "PD") {
      EXPECT_EQ(Count(rig.device.received, "CA"), 0);
    }
    if (std::string(c.command) == "PE") {
      EXPECT_EQ(Count(rig.device.received, "PF"), 0);
    }
  }
}

TEST(CommandRetry, ProgramFeedRetriesTheNextUnitOnce) {
  for (int refusals : {1, 2}) {
    SCOPED_TRACE(refusals);
    ViewRig rig;
    rig.Unit(1, 2, 1);
    rig.Unit(2, 2, 1).voltage = 200;
    rig.UseProgram(1, {1, 2}, 1);
    rig.Start();
    rig.device.received.clear();
    rig.device.refuse["PD"] = refusals;
    ASSERT_TRUE(rig.RunToEnd(30000));
    EXPECT_EQ(Count(rig.device.received, "PD0/200/"), 2);
    if (refusals == 1) {
      EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::Completed);
      EXPECT_TRUE(rig.prompter.shown.empty());
    } else {
      EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::CommunicationFailure);
      EXPECT_EQ(
          rig.prompter.Texts(),
          (std::vector<std::string>{LoadString(TextId::AskDemo) + "\n" + LoadString(TextId::MayStillInject),
                                    "Communication error."}));
    }
  }
}

}  // namespace
}  // namespace hvt
