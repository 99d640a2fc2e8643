#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/InputFilter.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::ViewRig;

// Records what the filter hands to the rest of the form.
struct RecordingTargets : FilterTargets {
  explicit RecordingTargets(const HeadlessForm& form) : form(form) {}
  void SelectTabPage(int page) override { pages.push_back(page); }
  void StepUnit(int direction) override { unitSteps.push_back(direction); }
  void StepProgram(int direction) override { programSteps.push_back(direction); }
  void PressStepButton(ControlId button) override { pressed.push_back(button); }
  void DisarmRepeat() override { ++disarms; }
  void RelayToolTip(const MouseEvent&) override { ++relays; }
  void SetCursor(CursorShape cursor) override { cursors.push_back(cursor); }
  bool IsCloseEnabled() const override { return form.closeEnabled; }

  const HeadlessForm& form;
  std::vector<int> pages, unitSteps, programSteps;
  std::vector<ControlId> pressed;
  std::vector<CursorShape> cursors;
  int relays = 0;
  int disarms = 0;
};

KeyEvent KeyDown(Key key, std::optional<ControlId> focused = std::nullopt) {
  KeyEvent e;
  e.key = key;
  e.focused = focused;
  return e;
}

MouseEvent Press(MouseEvent::Button button, std::optional<ControlId> control,
                 MouseEvent::Kind kind = MouseEvent::Kind::Down) {
  MouseEvent e;
  e.kind = kind;
  e.button = button;
  e.control = control;
  e.point = {40, 70};
  return e;
}

MouseEvent Move(std::optional<ControlId> control) {
  MouseEvent e;
  e.control = control;
  return e;
}

struct FilterRig {
  explicit FilterRig(bool demo = false) : rig(ViewRig::DefaultOptions(), demo) {
    rig.Unit(1, 30, 5);
    rig.UseUnit(1);
  }
  // A single unit run, past the first status tick.
  void StartRunning() {
    rig.Start();
    rig.time.RunFor(1000);
    ASSERT_EQ(rig.view->runStatus.runState, Running);
  }
  int Sent(const std::string& text) const {
    const auto& r = rig.device.received;
    return static_cast<int>(std::count(r.begin(), r.end(), text));
  }

  ViewRig rig;
  RecordingTargets targets{rig.form};
  InputFilter filter{rig.view->runWiring, targets};
};

TEST(InputFilter, EnterHeldOnPauseTogglesOncePerPress) {
  FilterRig f;
  f.StartRunning();
  KeyEvent enter = KeyDown(Key::Enter, C::Pause);
  EXPECT_EQ(f.filter.OnKey(enter), Disposition::Pass);  // the dialog press does nothing
  enter.autoRepeat = true;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.filter.OnKey(enter), Disposition::Swallow);
  EXPECT_EQ(f.Sent("CD1"), 1);
  EXPECT_EQ(f.rig.view->runStatus.runState, Paused);

  KeyEvent up = KeyDown(Key::Enter, C::Pause);
  up.kind = KeyEvent::Kind::Up;
  EXPECT_EQ(f.filter.OnKey(up), Disposition::Pass);
  EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Enter, C::Pause)), Disposition::Pass);
  EXPECT_EQ(f.Sent("CD0"), 1);
  EXPECT_EQ(f.rig.view->runStatus.runState, Running);

  // TRIGGER latches too: the dialog presses it once, repeats are eaten.
  f.filter.OnKey(up);
  EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Enter, C::Trigger)), Disposition::Pass);
  EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Enter, C::Trigger)), Disposition::Swallow);
}

TEST(InputFilter, X11RepeatsOfAHeldKeyActOncePerPhysicalPress) {
  FilterRig f;
  f.StartRunning();
  // X11 repeats a held key as release-press pairs, both marked as repeats.
  KeyEvent down = KeyDown(Key::Enter, C::Pause);
  KeyEvent up = down;
  up.kind = KeyEvent::Kind::Up;
  KeyEvent repeatDown = down, repeatUp = up;
  repeatDown.autoRepeat = repeatUp.autoRepeat = true;
  f.filter.OnKey(down);
  for (int i = 0; i < 35; ++i) {
    EXPECT_EQ(f.filter.OnKey(repeatUp), Disposition::Swallow);
    EXPECT_EQ(f.filter.OnKey(repeatDown), Disposition::Swallow);
  }
  f.filter.OnKey(up);
  EXPECT_EQ(f.Sent("CD1"), 1);
  EXPECT_EQ(f.Sent("CD0"), 0);
  EXPECT_EQ(f.rig.view->runStatus.runState, Paused);

  // Held Ctrl+Tab switches once; Escape acts once; typing still repeats.
  FilterState idle;
  KeyEvent tab = KeyDown(Key::Tab);
  tab.ctrl = tab.autoRepeat = true;
  EXPECT_FALSE(DecideKey(tab, idle).selectPage.has_value());
  KeyEvent esc = KeyDown(Key::Escape);
  esc.autoRepeat = true;
  EXPECT_FALSE(DecideKey(esc, f.filter.State(std::nullopt)).endRun);
  KeyEvent digit = KeyDown(Key::Other, C::VoltageEdit);
  digit.autoRepeat = true;
  EXPECT_EQ(DecideKey(digit, idle).disposition, Disposition::Pass);
}

TEST(InputFilter, SpaceNeverPressesAButtonAndEnterNeverStarts) {
  FilterRig f;
  const auto buttons = {
      C::Start,         C::Stop,   C::Pause,        C::Line,           C::OneShotMode,
      C::Trigger,       C::Update, C::UnitUpButton, C::UnitDownButton, C::ProgramUpButton,
      C::TestMemoButton};
  f.rig.device.received.clear();
  EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Enter, C::Start)), Disposition::Swallow);
  EXPECT_EQ(f.rig.view->runStatus.runState, Idle);
  EXPECT_TRUE(f.rig.device.received.empty());

  f.StartRunning();
  f.rig.device.received.clear();
  for (ControlId b : buttons)
    EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Space, b)), Disposition::Swallow);
  EXPECT_EQ(f.rig.view->runStatus.runState, Running);
  EXPECT_TRUE(f.rig.device.received.empty());
  EXPECT_TRUE(f.targets.unitSteps.empty());
  EXPECT_TRUE(f.targets.programSteps.empty());
}

TEST(InputFilter, StopEndsTheRunFromMouseEnterOrEsc) {
  FilterRig f;
  const std::vector<std::pair<std::string, std::function<Disposition()>>> ways = {
      {"mouse-down on a grayed STOP",
       [&] {
         f.rig.form.Enable(C::Stop, false);
         return f.filter.OnMouse(Press(MouseEvent::Button::Left, C::Stop));
       }},
      {"Enter on STOP", [&] { return f.filter.OnKey(KeyDown(Key::Enter, C::Stop)); }},
      {"Esc anywhere", [&] { return f.filter.OnKey(KeyDown(Key::Escape, C::VoltageEdit)); }},
  };
  for (const auto& [what, act] : ways) {
    f.StartRunning();
    f.rig.device.received.clear();
    EXPECT_EQ(act(), Disposition::Pass) << what;
    EXPECT_EQ(f.rig.view->runStatus.runState, Idle) << what;
    EXPECT_EQ(f.Sent("CB"), 1) << what;
  }
}

TEST(InputFilter, PauseActsOnButtonDownEvenGrayedButAsksNothingWhenIdle) {
  FilterRig f;
  f.rig.device.received.clear();
  f.filter.OnMouse(Press(MouseEvent::Button::Left, C::Pause));
  f.filter.OnMouse(Press(MouseEvent::Button::Left, C::Stop));
  EXPECT_TRUE(f.rig.device.received.empty());  // no status query for an idle form

  f.StartRunning();
  f.rig.form.Enable(C::Pause, false);
  EXPECT_EQ(f.filter.OnMouse(Press(MouseEvent::Button::Left, C::Pause)), Disposition::Pass);
  EXPECT_EQ(f.rig.view->runStatus.runState, Paused);
}

TEST(InputFilter, SystemKeysAreSwallowedWhileCloseIsGrayed) {
  FilterRig f;
  KeyEvent altF4;
  altF4.kind = KeyEvent::Kind::SystemDown;
  altF4.alt = true;
  EXPECT_EQ(f.filter.OnKey(altF4), Disposition::Pass);
  f.rig.form.Check(C::Line, true);
  f.rig.view->run.ToggleLine();
  ASSERT_EQ(f.rig.view->runStatus.runState, LineOn);
  EXPECT_EQ(f.filter.OnKey(altF4), Disposition::Swallow);
  f.rig.form.Check(C::Line, false);
  f.rig.view->run.ToggleLine();
  EXPECT_EQ(f.filter.OnKey(altF4), Disposition::Pass);
  f.StartRunning();
  EXPECT_EQ(f.filter.OnKey(altF4), Disposition::Swallow);
}

TEST(InputFilter, RightClicksAreRememberedAndIgnoredDuringARun) {
  FilterRig f(true);
  MouseEvent right = Press(MouseEvent::Button::Right, C::ConditionTab);
  right.point = {250, 120};
  EXPECT_EQ(f.filter.OnMouse(right), Disposition::Pass);
  EXPECT_EQ(f.filter.rightClickPoint.x, 250);
  EXPECT_EQ(f.filter.rightClickPoint.y, 120);

  f.StartRunning();
  for (std::optional<ControlId> at :
       {std::optional<ControlId>(C::ConditionTab), std::optional<ControlId>(C::UnitOverview),
        std::optional<ControlId>()}) {
    EXPECT_EQ(f.filter.OnMouse(Press(MouseEvent::Button::Right, at)), Disposition::Swallow);
    EXPECT_EQ(f.filter.OnMouse(Press(MouseEvent::Button::Right, at, MouseEvent::Kind::DoubleClick)),
              Disposition::Swallow);
  }
  EXPECT_EQ(f.rig.view->runStatus.runState, Running);
}

TEST(InputFilter, LeftButtonAndStepButtonRules) {
  auto left = [](ControlId id) { return Press(MouseEvent::Button::Left, id); };
  FilterState idle;
  FilterState running;
  running.runState = Running;
  FilterState programRun = running;
  programRun.programMode = true;

  for (ControlId id : {C::UnitNumberEdit, C::ProgramNumberEdit}) {
    EXPECT_EQ(DecideMouse(left(id), idle).disposition, Disposition::Swallow);
    EXPECT_EQ(DecideMouse(Press(MouseEvent::Button::Left, id, MouseEvent::Kind::DoubleClick), idle)
                  .disposition,
              Disposition::Swallow);
  }
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    EXPECT_EQ(DecideMouse(left(id), idle).disposition, Disposition::Pass);
    EXPECT_EQ(DecideMouse(left(id), running).disposition, Disposition::Swallow);
  }
  EXPECT_EQ(DecideMouse(left(C::UnitOverview), running).disposition, Disposition::Pass);
  EXPECT_EQ(DecideMouse(left(C::UnitOverview), programRun).disposition, Disposition::Swallow);

  // Step buttons: the mouse starts the repeat, Enter steps once; a grayed
  // one (a run, a bound) never moves the number.
  EXPECT_EQ(DecideMouse(left(C::ProgramDownButton), idle).pressStepButton, C::ProgramDownButton);
  EXPECT_EQ(DecideKey(KeyDown(Key::Enter, C::UnitUpButton), idle).unitStep, 1);
  EXPECT_EQ(DecideKey(KeyDown(Key::Enter, C::UnitDownButton), idle).unitStep, -1);
  EXPECT_EQ(DecideKey(KeyDown(Key::Enter, C::ProgramUpButton), idle).programStep, 1);
  EXPECT_EQ(DecideKey(KeyDown(Key::Enter, C::ProgramDownButton), idle).programStep, -1);
  FilterState grayed = idle;
  grayed.controlEnabled = false;
  EXPECT_FALSE(DecideMouse(left(C::UnitUpButton), grayed).pressStepButton);
  EXPECT_EQ(DecideKey(KeyDown(Key::Enter, C::UnitUpButton), grayed).unitStep, 0);
}

TEST(InputFilter, CursorAndTooltipsFollowTheMouse) {
  EXPECT_EQ(ChooseCursor(true, true), CursorShape::ProgramEdit);
  EXPECT_EQ(ChooseCursor(false, true), CursorShape::IBeam);
  EXPECT_EQ(ChooseCursor(false, false), CursorShape::Arrow);

  FilterRig f(true);
  UnitRecord& u = f.rig.doc.unit(1);
  f.rig.doc.programMode = 1;
  f.filter.OnMouse(Move(C::ProgramList));
  EXPECT_EQ(f.filter.cursor, CursorShape::ProgramEdit);
  f.filter.OnMouse(Move(C::VoltageEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::IBeam);
  EXPECT_EQ(f.filter.overProgramList, 0);
  // Stop and step boxes take typing only on a sweep unit sweeping their
  // quantity (a MANUAL unit keeps its sweep flag but hides the columns).
  u.voltageSweep = 1;
  f.filter.OnMouse(Move(C::VoltageStopEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::Arrow);
  u.testMode = 1;
  f.filter.OnMouse(Move(C::VoltageStepEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::IBeam);
  f.filter.OnMouse(Move(C::TriggerStopEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::Arrow);
  u.injectionEndless = 1;
  f.filter.OnMouse(Move(C::InjectionTimeEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::Arrow);
  f.filter.OnMouse(Move(C::IntervalTimeEdit));
  EXPECT_EQ(f.filter.cursor, CursorShape::IBeam);
  EXPECT_EQ(f.targets.relays, 7);
  EXPECT_EQ(f.targets.cursors.back(), CursorShape::IBeam);

  // During a run: arrow everywhere, no range tooltips over the remaining times.
  u.testMode = 0;
  u.voltageSweep = 0;
  u.injectionEndless = 0;
  f.rig.doc.programMode = 0;
  f.StartRunning();
  f.rig.doc.programMode = 1;
  for (ControlId id : {C::ProgramList, C::VoltageEdit, C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    EXPECT_EQ(f.filter.OnMouse(Move(id)), Disposition::Pass);
    EXPECT_EQ(f.filter.cursor, CursorShape::Arrow);
  }
  EXPECT_EQ(f.targets.relays, 7 + 2);
}

TEST(InputFilter, CtrlTabSwitchesThePageOnlyOutsideARun) {
  FilterRig f;
  KeyEvent ctrlTab = KeyDown(Key::Tab, C::VoltageEdit);
  ctrlTab.ctrl = true;
  const uint32_t before = f.rig.time.now;
  EXPECT_EQ(f.filter.OnKey(ctrlTab), Disposition::Swallow);
  EXPECT_EQ(f.rig.form.focus, C::ConditionTab);
  EXPECT_EQ(f.rig.form.inputDrops, 1);
  EXPECT_EQ(f.rig.time.now - before, 100u);  // input piling up meanwhile is dropped too
  f.rig.view->formState.testModeTab = 1;               // as the page selection leaves it
  ctrlTab.shift = true;
  f.filter.OnKey(ctrlTab);
  EXPECT_EQ(f.targets.pages, (std::vector<int>{1, 0}));

  EXPECT_EQ(f.filter.OnKey(KeyDown(Key::Tab, C::VoltageEdit)), Disposition::Pass);  // plain Tab

  f.StartRunning();
  f.rig.form.focus = C::Stop;
  EXPECT_EQ(f.filter.OnKey(ctrlTab), Disposition::Swallow);
  EXPECT_EQ(f.targets.pages.size(), 2u);
  EXPECT_EQ(f.rig.form.inputDrops, 2);
  EXPECT_EQ(f.rig.form.focus, C::Stop);
}

TEST(RunEnabling, MenuCommandsFollowTheRunState) {
  // Disabled from this run state on; 5 = never.
  const std::vector<std::pair<CommandId, int>> table = {
      {CommandId::AppAbout, 2},      {CommandId::AppExit, 1},
      {CommandId::Rs232Setup, 1},    {CommandId::FileNew, 2},
      {CommandId::FileOpen, 2},      {CommandId::FileSave, 2},
      {CommandId::FilePrint, 2},     {CommandId::FilePrintPreview, 2},
      {CommandId::FileSaveAs, 5},    {CommandId::FilePrintSetup, 5},
      {CommandId::EquipmentName, 5}, {CommandId::TestConditions, 5},
  };
  ViewRig rig(ViewRig::DefaultOptions(), true);
  for (int state = Idle; state <= Paused; ++state) {
    rig.view->runStatus.runState = state;
    for (const auto& [command, from] : table) {
      EXPECT_EQ(rig.view->IsCommandEnabled(command), state < from)
          << static_cast<int>(command) << " in run state " << state;
    }
  }
}

TEST(RunEnabling, RemainingTimesReadAsCountersDuringARun) {
  ViewRig rig;
  UnitRecord& u = rig.Unit(1, 30, 5);
  u.intervalEndless = 1;
  rig.UseUnit(1);
  auto& f = rig.form;
  EXPECT_FALSE(rig.view->enabling.TimesRunColoured());
  rig.Start();  // Waiting for the first status: already a run
  EXPECT_TRUE(rig.view->enabling.TimesRunColoured());
  rig.time.RunFor(1000);
  EXPECT_EQ(f.Text(C::IntervalTimeEdit), "Endless");
  EXPECT_FALSE(f.Get(C::InjectionTimeEdit).tabStop);
  rig.view->sweepState.injectionLeft = 10000;  // the instrument's Endless count
  rig.view->enabling.ShowRemainingTimes(true);
  EXPECT_EQ(f.Text(C::InjectionTimeEdit), "");
  EXPECT_FALSE(f.Get(C::IntervalTimeEdit).tabStop);

  rig.view->run.EndRun();
  EXPECT_FALSE(rig.view->enabling.TimesRunColoured());
  EXPECT_EQ(f.Text(C::InjectionTimeEdit), "30");
  EXPECT_EQ(f.Text(C::IntervalTimeEdit), "5");  // the working copy's time, not "Endless"
  EXPECT_TRUE(f.Get(C::IntervalTimeEdit).tabStop);
}

// The view's own wiring: the form's events reach the filter, and what the
// filter hands on reaches the tab, the unit number and the cursor.
TEST(InputFilter, TheViewsEventsGoThroughTheRulesToTheForm) {
  ViewRig rig(ViewRig::DefaultOptions(), true);
  rig.UseUnit(3);
  auto& events = rig.view->events;
  KeyEvent ctrlTab = KeyDown(Key::Tab);
  ctrlTab.ctrl = true;
  EXPECT_EQ(events.OnKey(ctrlTab), Disposition::Swallow);
  EXPECT_EQ(rig.form.TabPage(C::ConditionTab), 1);
  EXPECT_EQ(rig.view->formState.testModeTab, 1);
  EXPECT_FALSE(rig.doc.IsModified());

  EXPECT_EQ(events.OnKey(KeyDown(Key::Enter, C::UnitUpButton)), Disposition::Pass);
  EXPECT_EQ(rig.view->runStatus.activeUnit, 4);
  EXPECT_EQ(rig.doc.currentUnit, 4);
  events.OnMouse(Press(MouseEvent::Button::Left, C::UnitDownButton));
  EXPECT_EQ(rig.view->runStatus.activeUnit, 3);

  events.OnMouse(Move(C::VoltageEdit));
  EXPECT_EQ(rig.form.cursor, CursorShape::IBeam);
  EXPECT_TRUE(ToolTipAllowed(rig.view->runStatus, C::InjectionTimeEdit));

  rig.Unit(3, 30, 0);
  rig.UseUnit(3);
  rig.Start();
  rig.time.RunFor(1500);
  EXPECT_FALSE(ToolTipAllowed(rig.view->runStatus, C::InjectionTimeEdit));
  EXPECT_EQ(events.OnKey(ctrlTab), Disposition::Swallow);  // no page switch in a run
  EXPECT_EQ(rig.form.TabPage(C::ConditionTab), 1);
  events.OnMouse(Press(MouseEvent::Button::Left, C::Stop));
  EXPECT_FALSE(rig.view->RunActive());
}

}  // namespace
}  // namespace hvt
