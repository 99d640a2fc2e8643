#include "run/InputFilter.h"

#include "run/RunWiring.h"

namespace hvt {

namespace {

using C = ControlId;

// After a page switch by keyboard the page takes a moment to redraw; the
// repeats of a held Ctrl+Tab and any click that piled up meanwhile are
// dropped instead of acting on the new page.
constexpr uint32_t kPageSwitchSettleMs = 100;

bool IsTimeEdit(std::optional<ControlId> id) {
  return id == C::InjectionTimeEdit || id == C::IntervalTimeEdit;
}

FilterDecision DecideEnter(const KeyEvent& event, const FilterState& state) {
  FilterDecision d;
  // Held Enter repeats key-downs: TRIGGER and PAUSE act once per press.
  if (state.enterLatch) {
    d.disposition = Disposition::Swallow;
    return d;
  }
  if (!event.focused) return d;
  // A step button that lost its enabling (a run, a bound) keeps no focus
  // in a sound form; if it still has it, Enter must not change the unit.
  const int step = state.controlEnabled ? 1 : 0;
  switch (*event.focused) {
    case C::UnitUpButton:
      d.unitStep = step;
      break;
    case C::UnitDownButton:
      d.unitStep = -step;
      break;
    case C::ProgramUpButton:
      d.programStep = step;
      break;
    case C::ProgramDownButton:
      d.programStep = -step;
      break;
    case C::Stop:
      d.endRun = true;
      break;
    case C::Trigger:
      d.setEnterLatch = true;
      break;
    case C::Pause:
      d.togglePause = true;
      d.setEnterLatch = true;
      break;
    case C::Start:
      // A run is started with the mouse only.
      d.disposition = Disposition::Swallow;
      break;
    default:
      break;
  }
  // Everything else goes on to the dialog handling, which presses the
  // focused button (STOP's and PAUSE's click handlers do nothing).
  return d;
}

FilterDecision DecideLeftButton(const MouseEvent& event, const FilterState& state) {
  FilterDecision d;
  if (!event.control) return d;
  const ControlId id = *event.control;
  switch (id) {
    case C::UnitUpButton:
    case C::UnitDownButton:
    case C::ProgramUpButton:
    case C::ProgramDownButton:
      if (state.controlEnabled) d.pressStepButton = id;
      break;
    case C::InjectionTimeEdit:
    case C::IntervalTimeEdit:
      // They show the remaining times during a run.
      if (state.runState > 1) d.disposition = Disposition::Swallow;
      break;
    case C::UnitNumberEdit:
    case C::ProgramNumberEdit:
      // Read-only displays: no caret, no selection.
      d.disposition = Disposition::Swallow;
      break;
    case C::UnitOverview:
      if (state.programMode && state.RunActive()) d.disposition = Disposition::Swallow;
      break;
    case C::Stop:
      // On the way down, enabled or not: a run must stop at the first touch
      // (EndRun and TogglePause check the run state themselves).
      d.endRun = true;
      break;
    case C::Pause:
      d.togglePause = true;
      break;
    default:
      break;
  }
  return d;
}

}  // namespace

CursorShape ChooseCursor(bool overProgramList, bool overEditField) {
  if (overProgramList) return CursorShape::ProgramEdit;
  if (overEditField) return CursorShape::IBeam;
  return CursorShape::Arrow;
}

bool IsEditableField(ControlId id, const FilterState& state) {
  switch (id) {
    case C::VoltageEdit:
    case C::TriggerEdit:
    case C::ProgramTimesEdit:
      return true;
    case C::VoltageStopEdit:
    case C::VoltageStepEdit:
      return state.sweepUnit && state.voltageSweep;
    case C::TriggerStopEdit:
    case C::TriggerStepEdit:
      return state.sweepUnit && state.triggerSweep;
    case C::InjectionTimeEdit:
      return !state.injectionEndless;
    case C::IntervalTimeEdit:
      return !state.intervalEndless;
    default:
      return false;
  }
}

// Keys that act rather than type: a held one acts once per physical press.
bool IsActionKey(const KeyEvent& event) {
  return event.key == Key::Enter || event.key == Key::Escape || event.key == Key::Space ||
         event.key == Key::F8 || (event.key == Key::Tab && event.ctrl);
}

FilterDecision DecideKey(const KeyEvent& event, const FilterState& state) {
  FilterDecision d;
  // X11 repeats a held key as pairs of release and press, both marked as
  // repeats; Windows as presses alone. Neither is the operator's: the
  // repeated press is dropped, and the repeated release leaves the latch
  // of the real press alone.
  if (event.autoRepeat && event.kind != KeyEvent::Kind::SystemDown && IsActionKey(event)) {
    d.disposition = Disposition::Swallow;
    return d;
  }
  switch (event.kind) {
    case KeyEvent::Kind::SystemDown:
      // Alt+F4 and the system menu must not close the window under a run
      // or with the EUT line on.
      if (!state.closeEnabled) d.disposition = Disposition::Swallow;
      return d;
    case KeyEvent::Kind::Up:
      if (event.key == Key::Enter) d.setEnterLatch = false;
      return d;
    case KeyEvent::Kind::Down:
      break;
  }
  switch (event.key) {
    case Key::Tab:
      if (!event.ctrl) return d;
      d.disposition = Disposition::Swallow;
      // Two pages: the next and the previous page are both the other one.
      if (!state.RunActive()) d.selectPage = state.tabPage == 1 ? 0 : 1;
      return d;
    case Key::Enter:
      return DecideEnter(event, state);
    case Key::Escape:
      d.endRun = state.RunActive();
      return d;
    case Key::Space:
      // No button is pressed with the space bar: too easy to hit by accident.
      d.disposition = Disposition::Swallow;
      return d;
    case Key::F8:
      // Once per press (its repeats were dropped above); the run goes on.
      d.markAnomaly = state.RunActive();
      d.disposition = Disposition::Swallow;
      return d;
    case Key::Other:
      return d;
  }
  return d;
}

FilterDecision DecideMouse(const MouseEvent& event, const FilterState& state) {
  FilterDecision d;
  if (event.kind == MouseEvent::Kind::Move) {
    // The time edits show the remaining times during a run; their range
    // tooltips would only be in the way.
    d.relayToolTip = !(state.RunActive() && IsTimeEdit(event.control));
    d.updateCursor = true;
    d.overProgramList = state.programMode && !state.RunActive() && event.control == C::ProgramList;
    d.overEditField = !state.RunActive() && event.control && IsEditableField(*event.control, state);
    // Over no control and not held by a pressed one: the form's own move.
    d.disarmRepeat = !event.control && !event.captured;
    return d;
  }
  if (event.button == MouseEvent::Button::Right) {
    d.rememberPoint = true;
    // The tab's context menu would change the running unit; the overview
    // list of a program run has nothing to offer either.
    if (state.RunActive()) d.disposition = Disposition::Swallow;
    return d;
  }
  if (event.button == MouseEvent::Button::Left) return DecideLeftButton(event, state);
  return d;
}

FilterState InputFilter::State(std::optional<ControlId> control) const {
  FilterState s;
  s.runState = with.status.runState;
  s.programMode = with.doc.programMode != 0;
  s.enterLatch = enterLatch != 0;
  s.closeEnabled = targets.IsCloseEnabled();
  s.tabPage = with.formState.testModeTab;
  if (with.status.activeUnit >= 1 && with.status.activeUnit <= kUnitCount) {
    const UnitRecord& u = with.doc.unit(with.status.activeUnit);
    s.sweepUnit = u.testMode == 1;
    s.voltageSweep = u.voltageSweep != 0;
    s.triggerSweep = u.triggerSweep != 0;
    s.injectionEndless = u.injectionEndless != 0;
    s.intervalEndless = u.intervalEndless != 0;
  }
  s.controlEnabled = control && with.form.IsEnabled(*control);
  return s;
}

Disposition InputFilter::OnKey(const KeyEvent& event) {
  const FilterDecision d = DecideKey(event, State(event.focused));
  Apply(d, nullptr);
  return d.disposition;
}

Disposition InputFilter::OnMouse(const MouseEvent& event) {
  const FilterDecision d = DecideMouse(event, State(event.control));
  Apply(d, &event);
  return d.disposition;
}

void InputFilter::Apply(const FilterDecision& d, const MouseEvent* mouse) {
  if (mouse && d.rememberPoint) rightClickPoint = mouse->point;
  if (mouse && d.relayToolTip) targets.RelayToolTip(*mouse);
  if (d.updateCursor) {
    overProgramList = d.overProgramList ? 1 : 0;
    overEditField = d.overEditField ? 1 : 0;
    cursor = ChooseCursor(overProgramList != 0, overEditField != 0);
    targets.SetCursor(cursor);
  }
  if (d.selectPage) {
    with.form.Focus(C::ConditionTab);
    targets.SelectTabPage(*d.selectPage);
    with.clock.Sleep(kPageSwitchSettleMs);
    with.form.DropPendingInput();
  }
  if (d.unitStep != 0) targets.StepUnit(d.unitStep);
  if (d.programStep != 0) targets.StepProgram(d.programStep);
  if (d.pressStepButton) targets.PressStepButton(*d.pressStepButton);
  if (d.disarmRepeat) targets.DisarmRepeat();
  if (d.endRun) with.run.EndRun();
  if (d.togglePause) with.run.TogglePause();
  if (d.markAnomaly) targets.MarkAnomaly();
  if (d.setEnterLatch) enterLatch = *d.setEnterLatch ? 1 : 0;
}

}  // namespace hvt
