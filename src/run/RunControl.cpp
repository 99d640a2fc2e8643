#include "run/RunControl.h"

#include <cstdio>

#include "model/Settings.h"
#include "model/StringTable.h"
#include "run/RunWiring.h"

namespace hvt {

namespace {

using C = ControlId;

// A command sent a second time when the first attempt fails.
template <class F>
bool Twice(F&& send) {
  return send() || send();
}

}  // namespace

void RunControl::SetLamp(bool lit) {
  with.form.SetImage(C::Lamp, lit ? Image::LampLit : Image::None);
}

void RunControl::FailRun(RunEnd how) {
  if (lastRunEnd != RunEnd::None) return;
  lastRunEnd = how;
  if (how == RunEnd::CommunicationFailure) {
    with.events.Failed(how, LoadString(TextId::CommunicationError), false, 0);
  }
}

void RunControl::MakeActive(int32_t unitNumber) { state.activeUnit = unitNumber; }

void RunControl::ForgetSecondsDigit() { state.lastSecondDigit = 0; }

void RunControl::AdvanceSweep(int unitNumber) {
  with.sweep.AdvanceSweep(unitNumber);
  if (with.doc.unit(unitNumber).injectionEndless) {
    state.endlessInjection = 1;
    with.enabling.UpdateRunControls();
  }
  with.events.PointStarted(unitNumber);
}

void RunControl::StartRun() {
  CPELKDoc& doc = with.doc;
  FormControls& form = with.form;
  InstrumentCommands& commands = with.commands;
  const bool demo = doc.demoMode != 0;

  if (with.watch.LeftTestRunning() && !state.RunActive()) return;
  if (doc.programMode && with.sequence.RunPositions().empty()) {
    with.connection.ShowMessage(LoadString(TextId::NoUnits));
    return;
  }
  state.pollTicks = 5;

  bool next = false;
  if (state.endlessInjection || state.endlessInterval) {
    if (state.endlessInjection) {
      form.Show(C::PulseLabel, false);
      state.endlessInjection = 0;
    } else {
      form.Show(C::PulseLabel, true);
      state.endlessInterval = 0;
    }
    if (!demo) {
      --state.secondsLeft;
      with.sequence.ShowProgress(false);
    }
    Twice([&] { return commands.SendStart(); });
    next = true;
  } else {
    lastRunEnd = RunEnd::None;
    form.SetToolTip(C::Start, LoadString(TextId::Next));
    with.timers.KillTimer(kLineWatchTimer);
    form.SetStatusText(LoadString(TextId::Start) + "   0%");
    if (demo) form.Show(C::PulseLabel, true);
    state.pollTicks = 0;
    state.totalSeconds = 0;
    state.lastUnitToggle = 0;
    if (doc.programMode) {
      const SequenceControl::ProgramStart start = with.sequence.PrepareProgramRun();
      state.totalSeconds = start.totalSeconds;
      state.activeUnit = start.firstUnit;
      if (doc.unit(start.firstUnit).injectionEndless) state.endlessInjection = 1;
      with.sequence.ShowProgramStart(start.firstUnit);
    } else {
      state.totalSeconds = with.sweep.UnitRunSeconds(state.activeUnit, false);
      if (demo) state.endlessInjection = doc.unit(state.activeUnit).injectionEndless;
    }
    with.sweep.LoadRunCounters(state.activeUnit);
    state.secondsLeft = state.totalSeconds;
    with.sequence.StartRepetitions();
    const int unit = state.activeUnit;
    if (!Twice([&] { return commands.SendUnit(unit); })) {
      FailRun(RunEnd::CommunicationFailure);
      doc.demoMode = with.connection.AskDemo();
      state.runState = Running;
      EndRun();
      return;
    }
    if (startVeto && startVeto()) {
      FailRun(RunEnd::Stopped);
      state.runState = Running;  // so that EndRun restores the form
      EndRun();
      return;
    }
    if (!Twice([&] { return commands.SendStart(); })) {
      FailRun(RunEnd::CommunicationFailure);
      doc.demoMode = with.connection.AskDemo();
      state.runState = Running;
      EndRun();
      return;
    }
    with.timers.SetTimer(kPollTimer, kPollMs);
  }

  with.enabling.EnableFrameForRun(false);
  with.enabling.EnableFormForRun(false);
  if (demo) {
    state.runState = Running;
    if (state.oneShotMode) form.Enable(C::Trigger, true);
  } else {
    state.runState = next ? Running : Waiting;
    form.Enable(C::Start, false);
  }
  state.lastInjectionCount = 0;
  state.lastIntervalCount = 0;
  with.enabling.UpdateRunControls();
  with.timers.SetTimer(kBlinkTimer, kBlinkMs);
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    form.SetTabStop(id, false);
    form.Enable(id, true);
    form.Repaint(id);
  }
  Twice([&] { return commands.SendStepCode(10); });
  form.Focus(C::Stop);
  if (next) {
    with.events.Next();
  } else {
    with.events.RunStarted(state.activeUnit, doc.programMode != 0);
    if (demo) with.events.PointStarted(state.activeUnit);
  }
}

void RunControl::EndRun() {
  if (!state.RunActive()) return;
  FailRun(RunEnd::Stopped);
  CPELKDoc& doc = with.doc;
  FormControls& form = with.form;
  // The stop goes out before the form is redrawn: the redraw takes a few
  // milliseconds the instrument would go on injecting.
  with.timers.KillTimer(kPollTimer);
  const bool stopAccepted = Twice([&] { return with.commands.SendStop(); });
  with.events.Stopped(lastRunEnd, stopAccepted);

  form.SetStatusText(LoadString(TextId::Ready));
  with.sequence.ShowProgress(true);
  with.timers.KillTimer(kBlinkTimer);
  with.timers.KillTimer(kPollTimer);
  form.Show(C::PulseLabel, false);
  form.SetImage(C::Start, Image::StartNormal);
  form.SetImage(C::Pause, Image::PauseNormal);
  with.enabling.ShowConditionPanel(true);
  state.activeUnit = doc.currentUnit;
  with.host.SelectUnit(state.activeUnit);
  with.host.RefreshForm();
  with.host.ShowProgram();
  if (!doc.demoMode && with.commands.QueryLineState() == 0 && form.IsChecked(C::Line)) {
    form.SetImage(C::Line, Image::LineOff);
    form.Check(C::Line, false);
  }
  with.enabling.EnableFrameForRun(true);
  if (form.IsChecked(C::Line)) {
    SetLamp(true);
    state.runState = LineOn;
    with.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    form.EnableClose(false);
  } else {
    SetLamp(false);
    state.runState = Idle;
  }
  with.enabling.EnableFormForRun(true);
  state.endlessInjection = 0;
  state.endlessInterval = 0;
  with.host.ShowProgram();
  with.sweep.ShowSweepValues(false);
  with.enabling.UpdateRunControls();
  with.enabling.ShowRemainingTimes(false);
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    form.SetTabStop(id, true);
    form.Repaint(id);
  }
  form.SetToolTip(C::Start, LoadString(TextId::Start));
}

void RunControl::TogglePause() {
  // The run state first: PAUSE acts on every button-down, grayed or not, and
  // asking an idle instrument would block the form for nothing.
  if (state.runState < Running || state.runState == Waiting || state.oneShotMode) return;
  if (!with.connection.IsTestRunning()) return;
  FormControls& form = with.form;
  form.SetImage(C::Pause, Image::PauseNormal);
  SetLamp(true);
  const bool pause = state.runState != Paused;
  if (with.doc.demoMode) {
    state.runState = pause ? Paused : Running;
  } else {
    if (!Twice([&] { return with.commands.SendPause(pause); })) {
      with.timers.KillTimer(kPollTimer);
      FailRun(RunEnd::CommunicationFailure);
      if (with.connection.IsTestRunning()) with.doc.demoMode = with.connection.AskDemo();
      EndRun();
      with.enabling.UpdateRunControls();
      return;
    }
    const std::string answer = with.commands.QueryStatus();
    if (!answer.empty()) {
      state.runState = (status::Flags(answer, 2) & status::kPaused) ? Paused : Running;
    }
  }
  if (state.runState == Running) {
    with.sequence.ShowProgress(false);
    with.events.Resumed();
  } else {
    form.SetStatusText(LoadString(TextId::Pause));
    with.events.Paused();
  }
  with.enabling.UpdateRunControls();
}

void RunControl::ToggleLine(LineCause cause) {
  FormControls& form = with.form;
  const bool ok = Twice([&] { return with.commands.SendLine(form.IsChecked(C::Line)); });
  with.events.LineSwitched(ok && form.IsChecked(C::Line), ok ? cause : LineCause::NoAnswer);
  if (ok && form.IsChecked(C::Line)) {
    with.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    state.runState = LineOn;
    form.SetImage(C::Line, Image::LineOn);
    form.EnableClose(false);
    SetLamp(true);
  } else if (ok) {
    EndRun();
    with.timers.KillTimer(kLineWatchTimer);
    state.runState = Idle;
    form.SetImage(C::Line, Image::LineOff);
    form.EnableClose(true);
    SetLamp(false);
  } else {
    // The line is treated as off. The box runs its own message loop, so
    // nothing may be left to tick under it: a run in progress is ended
    // first (timers stopped, "CB" sent while the port still reaches the
    // instrument; a Yes closes it), and the line watch, which would fail the
    // same way and ask again, is stopped before asking.
    FailRun(RunEnd::CommunicationFailure);
    EndRun();
    with.timers.KillTimer(kLineWatchTimer);
    state.runState = Idle;
    with.doc.demoMode = with.connection.AskDemo();
    form.SetImage(C::Line, Image::LineOff);
    with.enabling.EnableFrameForRun(true);
    SetLamp(false);
    form.Check(C::Line, false);
  }
  with.enabling.UpdateRunControls();
  form.Repaint(C::InjectionTimeEdit);
  form.Repaint(C::IntervalTimeEdit);
}

void RunControl::EndForExit() {
  if (state.runState >= Running) EndRun();
  if (state.runState == LineOn) {
    with.form.Check(C::Line, false);
    ToggleLine(LineCause::Exit);
  }
  // Whatever is still exposed: a test left running that the operator chose
  // to watch, a stop whose answer was lost.
  with.commands.StopExposed();
}

void RunControl::SendUpdate() {
  const int unit = state.activeUnit;
  SweepPoint point = with.sweepState.sweepPoint;
  const bool ok = Twice([&] { return with.commands.SendLevels(unit, point); });
  with.sweep.TakePoint(point);
  with.sweep.ShowSweepValues(true);
  if (!ok) {
    with.timers.KillTimer(kPollTimer);
    FailRun(RunEnd::CommunicationFailure);
    with.doc.demoMode = with.connection.AskDemo();
    EndRun();
    return;
  }
  with.form.MessageBeep(Beep::Standard);
}

void RunControl::OnTriggerButton() {
  if (!with.connection.IsTestRunning()) return;
  Twice([&] { return with.commands.SendTrigger(); });
  with.events.SingleShot();
  with.form.MessageBeep(Beep::Standard);
}

void RunControl::OnOneShotMode() {
  state.oneShotMode = with.form.IsChecked(C::OneShotMode) ? 1 : 0;
  if (!state.oneShotMode) state.runState = with.form.IsChecked(C::Line) ? LineOn : Idle;
  with.enabling.UpdateRunControls();
}

void RunControl::OnTimer(int id) {
  switch (id) {
    case kBlinkTimer:
      BlinkTick();
      break;
    case kPollTimer:
      if (with.doc.demoMode) {
        DemoTick();
      } else {
        PollTick();
      }
      break;
    case kLineWatchTimer:
      LineWatchTick();
      break;
    default:
      break;
  }
}

void RunControl::BlinkTick() {
  with.timers.KillTimer(kBlinkTimer);
  if (state.RunActive()) {
    FormControls& form = with.form;
    const bool endless = state.endlessInjection || state.endlessInterval;
    if (++state.blinkPhase % 2 == 1) {
      if (state.runState == Paused) {
        form.SetImage(C::Pause, Image::PauseDark);
      } else {
        form.SetImage(C::Lamp, Image::LampDim);
        if (endless) form.SetImage(C::Start, Image::StartDark);
      }
    } else {
      if (state.runState == Paused) {
        form.SetImage(C::Pause, Image::PauseNormal);
      } else {
        form.SetImage(C::Lamp, Image::LampLit);
        if (endless) form.SetImage(C::Start, Image::StartNormal);
      }
      state.blinkPhase = 0;
    }
  }
  with.timers.SetTimer(kBlinkTimer, kBlinkMs);
}

void RunControl::RowBlink() {
  if (!with.doc.programMode) return;
  with.sequence.SetProgramRowText(with.sequenceState.showPos, state.rowBlinkPhase == 1);
  state.rowBlinkPhase = state.rowBlinkPhase ? 0 : 1;
}

void RunControl::PollTick() {
  RowBlink();
  ++state.pollTicks;
  with.timers.KillTimer(kPollTimer);
  const std::string answer = CheckRunStatus();
  if (answer.empty()) {
    EndRun();
    return;
  }
  const bool ok = state.runState == Paused ? PausedTick(state.activeUnit)
                                           : StatusTick(state.activeUnit, answer);
  if (ok) {
    with.timers.SetTimer(kPollTimer, kPollMs);
  } else {
    FailRun(RunEnd::CommunicationFailure);
    with.connection.ShowMessage(LoadString(TextId::CommunicationError));
    EndRun();
  }
}

std::string RunControl::CheckRunStatus() {
  const std::string answer = with.commands.QueryStatus();
  if (answer.empty()) {
    with.timers.KillTimer(kPollTimer);
    FailRun(RunEnd::CommunicationFailure);
    with.connection.ShowMessage(LoadString(TextId::CommunicationError));
    return {};
  }
  const int flags = status::Flags(answer, 2);
  if (flags & status::kRunning) return answer;
  with.timers.KillTimer(kPollTimer);
  if (flags & status::kStopped) {
    FailRun(RunEnd::InstrumentReport);
    const Connection::StopReport report = with.connection.ReportStopReason(answer);
    with.events.Failed(RunEnd::InstrumentReport, report.text, report.byOperator, report.errorCode);
  } else {
    FailRun(RunEnd::Completed);
    with.form.SetProgress(100);
    with.clock.Sleep(100);
    with.form.MessageBeep(Beep::Asterisk);
  }
  return {};
}

bool RunControl::StatusTick(int unitNumber, const std::string& status) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return false;
  state.runState = Running;
  int32_t injection = 0, interval = 0, toggle = 0, digit = 0;
  InstrumentCommands& commands = with.commands;
  const SweepPoint before = with.sweepState.sweepPoint;
  SweepPoint point = before;
  const bool answered = Twice([&] {
    return commands.QueryProgress(unitNumber, injection, interval, point, toggle, digit);
  });
  with.sweep.TakePoint(point);
  if (!answered) return false;

  // The instrument's seconds digit drives the countdown; Endless phases and
  // the waiting state do not count.
  if (digit != state.lastSecondDigit &&
      (state.lastInjectionCount != 0 || state.lastIntervalCount != 0) &&
      state.lastInjectionCount != 10000 && state.lastIntervalCount != 1000) {
    if (state.secondsLeft != 0) {
      state.secondsLeft -= SecondsBetweenDigits(state.lastSecondDigit, digit);
    }
    with.sequence.ShowProgress(false);
    state.lastSecondDigit = digit;
  }

  FormControls& form = with.form;
  const UnitRecord& u = with.doc.unit(unitNumber);
  if (injection != 0) {
    state.endlessInjection = injection == 10000 ? 1 : 0;
    if (state.oneShotMode) form.Enable(C::Trigger, true);
    form.Show(C::PulseLabel, true);
    with.sweep.ShowSweepValues(true);
    with.sweep.SetPhaseTimes(injection, u.intervalTime);
  } else {
    form.Show(C::PulseLabel, false);
    if (interval > 0) {
      if (state.oneShotMode) form.Enable(C::Trigger, false);
      state.endlessInterval = interval == 1000 ? 1 : 0;
      with.sweep.SetPhaseTimes(u.injectionTime, interval);
    }
  }
  if (injection == 0 && interval <= 0) {
    state.runState = Waiting;
    Twice([&] { return commands.SendStepCode(10); });
  }
  const bool nextUnit = (status::Flags(status, 2) & status::kNextUnit) != 0;
  if (with.doc.programMode) {
    int32_t reached = 0;
    if (!with.sequence.FeedProgram(nextUnit, toggle, reached)) {
      FailRun(RunEnd::CommunicationFailure);
      return false;
    }
    if (reached != 0) {
      state.activeUnit = reached;
      with.sequence.ShowUnitReached(reached);
      state.lastUnitToggle = toggle;
      with.events.UnitStarted(reached, with.sequenceState.showPos);
    }
  }
  // A new grid point: the instrument stepped a value, or began an injection
  // phase again.
  const SweepPoint& now = with.sweepState.sweepPoint;
  if (now.voltage != before.voltage || now.phase != before.phase ||
      now.variable != before.variable || injection > state.lastInjectionCount) {
    with.events.PointStarted(state.activeUnit);
  }
  state.lastInjectionCount = injection;
  state.lastIntervalCount = interval;
  with.enabling.ShowRemainingTimes(true);
  with.enabling.UpdateRunControls();
  return true;
}

bool RunControl::PausedTick(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return false;
  const std::string voltage = with.commands.QueryVoltage();
  const std::string trigger = voltage.empty() ? std::string() : with.commands.QueryTriggerValue();
  SweepPoint point = with.sweepState.sweepPoint;
  if (!voltage.empty()) point.voltage = DecimalValue(voltage);
  if (!trigger.empty()) {
    if (with.doc.unit(unitNumber).triggerMode == 0) {
      point.phase = DecimalValue(trigger);
    } else {
      point.variable = DecimalValue(trigger);
    }
  }
  with.sweep.TakePoint(point);
  with.sweep.ShowSweepValues(true);
  return !voltage.empty() && !trigger.empty();
}

void RunControl::DemoTick() {
  RowBlink();
  ++state.pollTicks;
  if (state.runState == Paused || state.pollTicks < 5) return;
  if (DemoSecond(state.activeUnit)) {
    if (with.doc.programMode) {
      if (with.sequence.OnLastUnitOfLastRepetition()) FailRun(RunEnd::Completed);
      if (const int32_t unit = with.sequence.AdvanceDemoProgram()) {
        state.activeUnit = unit;
        state.endlessInjection = with.doc.unit(unit).injectionEndless;
        with.sequence.ShowDemoUnit(unit);
        with.events.UnitStarted(unit, with.sequenceState.showPos);
        with.events.PointStarted(unit);
      }
    } else {
      FailRun(RunEnd::Completed);
      with.form.SetProgress(100);
      with.clock.Sleep(100);
      EndRun();
    }
  }
  state.pollTicks = 0;
}

int32_t RunControl::DemoSecond(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return 1;
  const UnitRecord& u = with.doc.unit(unitNumber);
  FormControls& form = with.form;
  SweepControl& sweep = with.sweep;
  const bool sweepUnit = sweep.IsSweepUnit(unitNumber);
  int32_t finished = 0;

  if (!state.endlessInjection && !state.endlessInterval) --state.secondsLeft;
  with.sequence.ShowProgress(false);

  if (state.endlessInjection) {
    // Waits for NEXT.
  } else if (with.sweepState.injectionLeft > 0) {
    form.Show(C::PulseLabel, true);
    if (sweep.CountDownInjection() == 0) {
      state.endlessInterval = u.intervalEndless;
      const bool intervalFollows = u.intervalEndless || u.intervalTime > 0;
      if (intervalFollows) {
        form.Show(C::PulseLabel, false);
        if (state.oneShotMode) form.Enable(C::Trigger, false);
      }
      if (sweepUnit && sweep.RemainingSteps(unitNumber, true) != 0) {
        finished = 0;
      } else if (!with.doc.programMode || with.sequence.OnLastUnitOfLastRepetition()) {
        finished = 1;
      } else {
        finished = intervalFollows ? 0 : 1;
      }
      if (!intervalFollows && sweepUnit) AdvanceSweep(unitNumber);
    }
  } else if (!state.endlessInterval) {
    if (sweep.CountDownInterval() <= 0) {
      form.Show(C::PulseLabel, true);
      if (state.oneShotMode) form.Enable(C::Trigger, true);
      if (sweepUnit && sweep.RemainingSteps(unitNumber, true) != 0) {
        AdvanceSweep(unitNumber);
      } else {
        finished = 1;
      }
    }
  }
  with.enabling.UpdateRunControls();
  with.enabling.ShowRemainingTimes(true);
  return finished;
}

void RunControl::LineWatchTick() {
  if (state.runState != LineOn || with.doc.demoMode) return;
  with.timers.KillTimer(kLineWatchTimer);
  if (with.connection.CheckLineStatus() == 1) {
    with.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    return;
  }
  with.form.Check(C::Line, false);
  ToggleLine(LineCause::LineWatch);
}

}  // namespace hvt
