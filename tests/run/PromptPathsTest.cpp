#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/Connection.h"
#include "link/InstrumentActivity.h"
#include "link/PortMessages.h"
#include "model/StringTable.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

// Every box stays open this long, as an operator reading it would keep it.
constexpr uint32_t kBoxOpenMs = 3000;

bool Starts(const std::string& text, const char* code) { return text.rfind(code, 0) == 0; }

void PressLine(ViewRig& rig) {
  rig.form.Check(ControlId::Line, true);
  rig.view->run.ToggleLine();
}
void ReleaseLine(ViewRig& rig) {
  rig.form.Check(ControlId::Line, false);
  rig.view->run.ToggleLine();
}
void StartARun(ViewRig& rig, int injection = 30) {
  rig.Unit(1, injection, 0);
  rig.UseUnit(1);
  rig.Start();
  rig.time.RunFor(1500);
}

// What a path shows: the boxes in the order they open, the most open at
// once, and the run state it ends in.
struct Outcome {
  std::vector<std::string> texts;
  int maxOpen;
  RunState state;
};

// One way the run engine comes to ask the operator; ifYes where the first
// 6005 answered Yes leads elsewhere.
struct PromptPath {
  const char* name;
  std::function<void(ViewRig&)> arrange;  // before the boxes count
  std::function<void(ViewRig&)> act;      // then 10 s pass
  Outcome outcome;
  std::optional<Outcome> ifYes = std::nullopt;
  bool startedUp = true;
  Answer startUpAnswer = Answer::Abort;  // to the start-up connection box
  int demoWithoutAsking = 0;             // demoMode when 6005 is never asked
};

void PrintTo(const PromptPath& path, std::ostream* out) { *out << path.name; }

std::string T(TextId id) { return LoadString(id); }

std::vector<PromptPath> Paths() {
  const std::string askDemo = T(TextId::AskDemo);
  // Asked when a test or the line was live: the instrument may go on.
  const std::string askDemoLive = askDemo + "\n" + T(TextId::MayStillInject);
  const std::string commError = T(TextId::CommunicationError);
  const std::string noIdentification =
      commError + "\nCOM1 (/dev/sim): " + T(TextId::IdentifyNoAnswer);
  return {
      {"StartUpPortMissingRetry",
       [](ViewRig& r) { r.device.openFails = true; },
       [](ViewRig& r) { r.view->StartUp(); },
       {{"COM1 can not open.\nCOM1 (/dev/sim): No such file or directory"}, 1, Idle},
       std::nullopt,
       false,
       Answer::Retry},
      {"StartUpSilentIgnore",
       [](ViewRig& r) { r.device.silent = true; },
       [](ViewRig& r) { r.view->StartUp(); },
       {{noIdentification, T(TextId::ProceedToDemo)}, 1, Idle},
       std::nullopt,
       false,
       Answer::Ignore,
       1},
      {"StartUpConfigurationUnanswered",
       [](ViewRig& r) { r.device.unanswered = [](const std::string& t) { return t == "QM"; }; },
       [](ViewRig& r) { r.view->StartUp(); },
       {{askDemo}, 1, Idle},
       std::nullopt,
       false},
      {"LinePressedSilent",
       [](ViewRig& r) { r.device.silent = true; },
       PressLine,
       {{askDemoLive}, 1, Idle}},
      {"LineReleasedSilent",
       [](ViewRig& r) {
         PressLine(r);
         r.device.silent = true;
       },
       ReleaseLine,
       {{askDemoLive}, 1, Idle}},
      // The run is ended before the question, so timer 2 cannot report 6001
      // under it.
      {"LineReleasedInARunSilent",
       [](ViewRig& r) {
         PressLine(r);
         StartARun(r);
         r.device.silent = true;
       },
       ReleaseLine,
       {{askDemoLive}, 1, Idle}},
      {"LineReleasedInARunLineCommandUnanswered",
       [](ViewRig& r) {
         PressLine(r);
         StartARun(r);
         r.device.unanswered = [](const std::string& t) { return Starts(t, "PC"); };
       },
       ReleaseLine,
       {{askDemoLive}, 1, Idle}},
      {"LineWatchPanelOff",
       PressLine,
       [](ViewRig& r) { r.device.instrument.PanelLineOff(r.time.now); },
       {{T(TextId::LineOffAtInstrument)}, 1, Idle}},
      {"LineWatchErrorCode",
       PressLine,
       [](ViewRig& r) { r.device.instrument.RaiseError(4, r.time.now); },
       {{T(TextId::ErrorFan)}, 1, Idle}},
      {"LineWatchSilent",
       PressLine,
       [](ViewRig& r) { r.device.silent = true; },
       {{askDemoLive}, 1, Idle}},
      {"RunSilent",
       [](ViewRig& r) { StartARun(r); },
       [](ViewRig& r) { r.device.silent = true; },
       {{commError}, 1, Idle}},
      // The run ends with LINE still checked (the line state cannot be
      // read); the line watch then finds no answer either. One after the other.
      {"RunWithLineOnSilent",
       [](ViewRig& r) {
         PressLine(r);
         StartARun(r);
       },
       [](ViewRig& r) { r.device.silent = true; },
       {{commError, askDemoLive}, 1, Idle}},
      {"PausedSilent",
       [](ViewRig& r) {
         StartARun(r);
         r.view->run.TogglePause();
       },
       [](ViewRig& r) { r.device.silent = true; },
       {{commError}, 1, Idle}},
      {"RunStoppedAtThePanel",
       [](ViewRig& r) { StartARun(r); },
       [](ViewRig& r) { r.device.instrument.PanelStop(r.time.now); },
       {{T(TextId::StoppedAtInstrument)}, 1, Idle}},
      {"PauseCommandUnanswered",
       [](ViewRig& r) {
         StartARun(r);
         r.device.unanswered = [](const std::string& t) { return Starts(t, "CD"); };
       },
       [](ViewRig& r) { r.view->run.TogglePause(); },
       {{askDemoLive}, 1, Idle}},
      {"UpdateUnanswered",
       [](ViewRig& r) {
         StartARun(r);
         r.device.unanswered = [](const std::string& t) {
           return Starts(t, "PE") || Starts(t, "PF");
         };
       },
       [](ViewRig& r) { r.view->run.SendUpdate(); },
       {{askDemoLive}, 1, Idle}},
      // A failed trigger is only a beep: the run goes on.
      {"TriggerUnanswered",
       [](ViewRig& r) {
         r.form.Check(ControlId::OneShotMode, true);
         r.view->run.OnOneShotMode();
         StartARun(r);
         r.device.unanswered = [](const std::string& t) { return t == "CC"; };
       },
       [](ViewRig& r) { r.view->run.OnTriggerButton(); },
       {{}, 0, Running}},
      {"StartUnitUnanswered",
       [](ViewRig& r) {
         r.Unit(1, 3, 0);
         r.UseUnit(1);
         r.device.unanswered = [](const std::string& t) { return Starts(t, "PD"); };
       },
       [](ViewRig& r) { r.Start(); },
       {{askDemo}, 1, Idle}},
      // The line stays on: in demonstration mode nothing reads it, and the
      // instrument still reports it on.
      {"StartWithLineOnUnitUnanswered",
       [](ViewRig& r) {
         PressLine(r);
         r.Unit(1, 3, 0);
         r.UseUnit(1);
         r.device.unanswered = [](const std::string& t) { return Starts(t, "PD"); };
       },
       [](ViewRig& r) { r.Start(); },
       {{askDemoLive}, 1, LineOn}},
      {"StartWithAnEmptyProgram",
       [](ViewRig& r) { r.UseProgram(1, {}, 1); },
       [](ViewRig& r) { r.Start(); },
       {{T(TextId::NoUnits)}, 1, Idle}},
      // Two at once: the line watch keeps watching under the 5003 box, and
      // the line goes off meanwhile.
      {"StartWithAnEmptyProgramWhileTheLineGoesOff",
       [](ViewRig& r) {
         PressLine(r);
         r.UseProgram(1, {}, 1);
       },
       [](ViewRig& r) {
         r.device.instrument.PanelLineOff(r.time.now);
         r.Start();
       },
       {{T(TextId::NoUnits), T(TextId::LineOffAtInstrument)}, 2, Idle}},
      // The next unit of a program is refused: 6005, the run ends, then 6001.
      {"ProgramFeedUnanswered",
       [](ViewRig& r) {
         r.Unit(1, 3, 2);
         r.Unit(2, 3, 2);
         r.UseProgram(1, {1, 2}, 1);
         r.device.unanswered = [n = 0](const std::string& t) mutable {
           return Starts(t, "PD") && ++n > 1;
         };
         r.Start();
       },
       [](ViewRig& r) { r.time.RunFor(5000); },
       {{askDemoLive, commError}, 1, Idle}},
      // Two at once: the instrument falls silent as the next unit is sent,
      // the run ends with LINE checked, and the line watch asks 6005 again
      // under the 6001 box that follows. Each question settles its own state
      // first, so any order of answers leaves a consistent program. After a
      // Yes the line watch rests (demonstration mode) and LINE stays on.
      {"ProgramFeedUnansweredWithLineOn",
       [](ViewRig& r) {
         PressLine(r);
         r.Unit(1, 3, 2);
         r.Unit(2, 3, 2);
         r.UseProgram(1, {1, 2}, 1);
         r.device.unanswered = [n = 0](const std::string& t) mutable {
           return n > 1 || (Starts(t, "PD") && ++n > 1);
         };
         r.Start();
       },
       [](ViewRig& r) { r.time.RunFor(5000); },
       {{askDemoLive, commError, askDemoLive}, 2, Idle},
       Outcome{{askDemoLive, commError}, 1, LineOn}},
  };
}

class PromptPathTest : public ::testing::TestWithParam<PromptPath> {};

// Every box is left open for three seconds while the timers fire, and the
// question 6005 is answered in each order. Whatever happened, the program
// ends in one consistent state: the timers match the run state, LINE
// matches LineOn, the DEMO label matches demoMode, and instrument mode
// keeps the port open.
TEST_P(PromptPathTest, BoxesAtOnceAndAConsistentEnd) {
  const PromptPath& path = GetParam();
  const std::vector<std::vector<Answer>> orders = {
      {Answer::No}, {Answer::Yes}, {Answer::No, Answer::Yes}, {Answer::Yes, Answer::No}};
  for (const auto& order : orders) {
    SCOPED_TRACE(order.size() == 1 ? (order[0] == Answer::Yes ? "Yes" : "No")
                                   : (order[0] == Answer::Yes ? "Yes, No" : "No, Yes"));
    ViewRig rig(ViewRig::DefaultOptions(), false, path.startedUp);
    path.arrange(rig);
    rig.prompter.shown.clear();
    rig.prompter.openMs = kBoxOpenMs;
    size_t asked = 0;
    Answer lastDemoAnswer = Answer::Ok;
    rig.prompter.rule = [&](const std::string& text, Buttons buttons) {
      if (text.rfind(T(TextId::AskDemo), 0) == 0) {
        lastDemoAnswer = order[std::min(asked++, order.size() - 1)];
        return lastDemoAnswer;
      }
      if (buttons == Buttons::AbortRetryIgnore && path.startUpAnswer == Answer::Retry) {
        rig.device.openFails = false;
        rig.device.silent = false;
      }
      if (buttons == Buttons::AbortRetryIgnore) return path.startUpAnswer;
      return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    };

    path.act(rig);
    rig.time.RunFor(10000);

    const Outcome& expected = order[0] == Answer::Yes && path.ifYes ? *path.ifYes : path.outcome;
    EXPECT_EQ(rig.prompter.Texts(), expected.texts);
    EXPECT_EQ(rig.prompter.maxOpen, expected.maxOpen);
    EXPECT_EQ(rig.prompter.open, 0);

    CPELKView& v = *rig.view;
    EXPECT_EQ(v.runStatus.runState, expected.state);
    const bool active = v.RunActive();
    EXPECT_EQ(rig.time.IsSet(kBlinkTimer), active);
    EXPECT_EQ(rig.time.IsSet(kPollTimer), active);
    EXPECT_EQ(rig.time.IsSet(kLineWatchTimer), v.runStatus.runState == LineOn);
    if (!active) {
      EXPECT_EQ(rig.form.IsChecked(ControlId::Line), v.runStatus.runState == LineOn);
    }

    const int demo = asked ? (lastDemoAnswer == Answer::Yes) : path.demoWithoutAsking;
    EXPECT_EQ(rig.doc.demoMode, demo);
    EXPECT_EQ(rig.form.Get(ControlId::DemoLabel).visible, demo != 0);
    if (!demo) {
      EXPECT_TRUE(rig.device.IsOpen());
    } else if (asked) {
      EXPECT_FALSE(rig.device.IsOpen());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RunEngine, PromptPathTest, ::testing::ValuesIn(Paths()),
                         [](const ::testing::TestParamInfo<PromptPath>& info) {
                           return std::string(info.param.name);
                         });

TEST(Prompts, LineReleasedWithTheInstrumentSilentAsksOnce) {
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    ViewRig rig;
    PressLine(rig);
    ASSERT_EQ(rig.view->runStatus.runState, LineOn);
    rig.device.silent = true;
    rig.prompter.openMs = kBoxOpenMs;
    rig.prompter.answers = {answer};
    ReleaseLine(rig);
    EXPECT_EQ(rig.prompter.Texts(),
              std::vector<std::string>{T(TextId::AskDemo) + "\n" + T(TextId::MayStillInject)});
    EXPECT_EQ(rig.prompter.maxOpen, 1);
    EXPECT_EQ(rig.view->runStatus.runState, Idle);
    EXPECT_FALSE(rig.form.IsChecked(ControlId::Line));
    EXPECT_EQ(rig.form.Get(ControlId::Line).image, Image::LineOff);
    EXPECT_FALSE(rig.time.IsSet(kLineWatchTimer));
    EXPECT_EQ(rig.doc.demoMode, answer == Answer::Yes);
    EXPECT_EQ(rig.device.IsOpen(), answer == Answer::No);
    EXPECT_EQ(rig.form.Get(ControlId::DemoLabel).visible, answer == Answer::Yes);
  }
}

// A Yes closes the port: the instrument must have been told to stop first.
TEST(Prompts, LineFailureInARunStopsTheInstrumentBeforeAsking) {
  ViewRig rig;
  PressLine(rig);
  StartARun(rig);
  ASSERT_TRUE(rig.device.instrument.Running());
  rig.device.unanswered = [](const std::string& t) { return Starts(t, "PC"); };
  rig.prompter.rule = [&](const std::string&, Buttons) {
    EXPECT_FALSE(rig.view->RunActive());
    EXPECT_FALSE(rig.time.IsSet(kPollTimer));
    return Answer::Yes;
  };
  ReleaseLine(rig);
  EXPECT_FALSE(rig.device.instrument.Running());
  EXPECT_EQ(rig.view->run.lastRunEnd, RunEnd::CommunicationFailure);
  EXPECT_EQ(rig.doc.demoMode, 1);
}

TEST(Prompts, OnlyTheStartUpConnectionBoxRetriesOnEnter) {
  ViewRig rig(ViewRig::DefaultOptions(), false, false);
  rig.device.silent = true;
  rig.prompter.answers = {Answer::Ignore};
  ASSERT_TRUE(rig.view->StartUp());
  ASSERT_EQ(rig.prompter.shown.size(), 2u);
  EXPECT_EQ(rig.prompter.shown[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(rig.prompter.shown[0].defaultButton, Answer::Retry);
  EXPECT_EQ(rig.prompter.shown[1].defaultButton, std::nullopt);  // 6004

  // After start-up the same failure asks Retry / Cancel with the platform's
  // default, and so does every other box.
  rig.prompter.shown.clear();
  rig.view->connection.Connect();
  rig.view->connection.AskDemo();
  ASSERT_EQ(rig.prompter.shown.size(), 2u);
  EXPECT_EQ(rig.prompter.shown[0].buttons, Buttons::RetryCancel);
  for (const auto& box : rig.prompter.shown) EXPECT_EQ(box.defaultButton, std::nullopt);
}

}  // namespace
}  // namespace hvt
