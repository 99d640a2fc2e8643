#include "run/RunControl.h"

#include <cstdio>

#include "model/Settings.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"

namespace hvt {

namespace {

using C = ControlId;

constexpr int kStartText = 2009;
constexpr int kPauseText = 2011;
constexpr int kNextText = 2017;
constexpr int kReadyText = 57345;
constexpr int kNoUnitsText = 5003;

// A command sent a second time when the first attempt fails.
template <class F>
bool Twice(F&& send) {
  return send() || send();
}

}  // namespace

void RunControl::SetLamp(bool lit) {
  view.form.SetImage(C::Lamp, lit ? Image::LampLit : Image::None);
}

void RunControl::FailRun(RunEnd how) {
  if (lastRunEnd == RunEnd::None) lastRunEnd = how;
}

void RunControl::StartRun() {
  CPELKDoc& doc = view.doc;
  FormControls& form = view.form;
  InstrumentCommands& commands = view.commands;
  const bool demo = doc.demoMode != 0;

  if (view.watch.LeftTestRunning() && !view.RunActive()) return;
  if (doc.programMode && view.sequence.RunPositions().empty()) {
    view.connection.ShowMessage(LoadString(kNoUnitsText));
    return;
  }
  view.pollTicks = 5;

  bool next = false;
  if (view.endlessInjection || view.endlessInterval) {
    if (view.endlessInjection) {
      form.Show(C::PulseLabel, false);
      view.endlessInjection = 0;
    } else {
      form.Show(C::PulseLabel, true);
      view.endlessInterval = 0;
    }
    if (!demo) {
      --view.secondsLeft;
      view.sequence.ShowProgress(false);
    }
    Twice([&] { return commands.SendStart(); });
    next = true;
  } else {
    lastRunEnd = RunEnd::None;
    form.SetToolTip(C::Start, LoadString(kNextText));
    view.timers.KillTimer(kLineWatchTimer);
    form.SetStatusText(LoadString(kStartText) + "   0%");
    if (demo) form.Show(C::PulseLabel, true);
    view.pollTicks = 0;
    view.totalSeconds = 0;
    view.lastUnitToggle = 0;
    if (doc.programMode) {
      view.sequence.PrepareProgramRun();
    } else {
      view.totalSeconds = view.sweep.UnitRunSeconds(view.activeUnit, false);
      if (demo) view.endlessInjection = doc.unit(view.activeUnit).injectionEndless;
    }
    view.sweep.LoadRunCounters(view.activeUnit);
    view.secondsLeft = view.totalSeconds;
    view.showTimesLeft = view.sendTimesLeft;
    const int unit = view.activeUnit;
    if (!Twice([&] { return commands.SendUnit(unit); })) {
      FailRun(RunEnd::CommunicationFailure);
      doc.demoMode = view.connection.AskDemo();
      view.runState = Running;
      EndRun();
      return;
    }
    if (startVeto && startVeto()) {
      FailRun(RunEnd::Stopped);
      view.runState = Running;  // so that EndRun restores the form
      EndRun();
      return;
    }
    if (!Twice([&] { return commands.SendStart(); })) {
      FailRun(RunEnd::CommunicationFailure);
      doc.demoMode = view.connection.AskDemo();
      view.runState = Running;
      EndRun();
      return;
    }
    view.timers.SetTimer(kPollTimer, kPollMs);
  }

  view.enabling.EnableFrameForRun(false);
  view.enabling.EnableFormForRun(false);
  if (demo) {
    view.runState = Running;
    if (view.oneShotMode) form.Enable(C::Trigger, true);
  } else {
    view.runState = next ? Running : Waiting;
    form.Enable(C::Start, false);
  }
  view.lastInjectionCount = 0;
  view.lastIntervalCount = 0;
  view.enabling.UpdateRunControls();
  view.timers.SetTimer(kBlinkTimer, kBlinkMs);
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    form.SetTabStop(id, false);
    form.Enable(id, true);
    form.Repaint(id);
  }
  Twice([&] { return commands.SendStepCode(10); });
  form.Focus(C::Stop);
}

void RunControl::EndRun() {
  if (!view.RunActive()) return;
  FailRun(RunEnd::Stopped);
  CPELKDoc& doc = view.doc;
  FormControls& form = view.form;
  // The stop goes out before the form is redrawn: the redraw takes a few
  // milliseconds the instrument would go on injecting.
  view.timers.KillTimer(kPollTimer);
  view.watch.NoteStop(Twice([&] { return view.commands.SendStop(); }));

  form.SetStatusText(LoadString(kReadyText));
  view.sequence.ShowProgress(true);
  view.timers.KillTimer(kBlinkTimer);
  view.timers.KillTimer(kPollTimer);
  form.Show(C::PulseLabel, false);
  form.SetImage(C::Start, Image::StartNormal);
  form.SetImage(C::Pause, Image::PauseNormal);
  view.enabling.ShowConditionPanel(true);
  view.activeUnit = doc.currentUnit;
  view.selections.SelectUnit(view.activeUnit);
  view.selections.RefreshForm();
  view.lists.ShowProgram();
  if (!doc.demoMode && view.commands.QueryLineState() == 0 && form.IsChecked(C::Line)) {
    form.SetImage(C::Line, Image::LineOff);
    form.Check(C::Line, false);
  }
  view.enabling.EnableFrameForRun(true);
  if (form.IsChecked(C::Line)) {
    SetLamp(true);
    view.runState = LineOn;
    view.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    form.EnableClose(false);
  } else {
    SetLamp(false);
    view.runState = Idle;
  }
  view.enabling.EnableFormForRun(true);
  view.endlessInjection = 0;
  view.endlessInterval = 0;
  view.lists.ShowProgram();
  view.sweep.ShowSweepValues(false);
  view.enabling.UpdateRunControls();
  view.enabling.ShowRemainingTimes(false);
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    form.SetTabStop(id, true);
    form.Repaint(id);
  }
  form.SetToolTip(C::Start, LoadString(kStartText));
}

void RunControl::TogglePause() {
  // The run state first: PAUSE acts on every button-down, grayed or not, and
  // asking an idle instrument would block the form for nothing.
  if (view.runState < Running || view.runState == Waiting || view.oneShotMode) return;
  if (!view.connection.IsTestRunning()) return;
  FormControls& form = view.form;
  form.SetImage(C::Pause, Image::PauseNormal);
  SetLamp(true);
  const bool pause = view.runState != Paused;
  if (view.doc.demoMode) {
    view.runState = pause ? Paused : Running;
  } else {
    if (!Twice([&] { return view.commands.SendPause(pause); })) {
      view.timers.KillTimer(kPollTimer);
      FailRun(RunEnd::CommunicationFailure);
      if (view.connection.IsTestRunning()) view.doc.demoMode = view.connection.AskDemo();
      EndRun();
      view.enabling.UpdateRunControls();
      return;
    }
    const std::string answer = view.commands.QueryStatus();
    if (!answer.empty()) {
      view.runState = (status::Flags(answer, 2) & status::kPaused) ? Paused : Running;
    }
  }
  if (view.runState == Running) {
    view.sequence.ShowProgress(false);
  } else {
    form.SetStatusText(LoadString(kPauseText));
  }
  view.enabling.UpdateRunControls();
}

void RunControl::ToggleLine() {
  FormControls& form = view.form;
  const bool ok = Twice([&] { return view.commands.SendLine(form.IsChecked(C::Line)); });
  if (ok && form.IsChecked(C::Line)) {
    view.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    view.runState = LineOn;
    form.SetImage(C::Line, Image::LineOn);
    form.EnableClose(false);
    SetLamp(true);
  } else if (ok) {
    EndRun();
    view.timers.KillTimer(kLineWatchTimer);
    view.runState = Idle;
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
    view.timers.KillTimer(kLineWatchTimer);
    view.runState = Idle;
    view.doc.demoMode = view.connection.AskDemo();
    form.SetImage(C::Line, Image::LineOff);
    view.enabling.EnableFrameForRun(true);
    SetLamp(false);
    form.Check(C::Line, false);
  }
  view.enabling.UpdateRunControls();
  form.Repaint(C::InjectionTimeEdit);
  form.Repaint(C::IntervalTimeEdit);
}

void RunControl::EndForExit() {
  if (view.runState >= Running) EndRun();
  if (view.runState == LineOn) {
    view.form.Check(C::Line, false);
    ToggleLine();
  }
  // Whatever is still exposed: a test left running that the operator chose
  // to watch, a stop whose answer was lost.
  view.commands.StopExposed();
}

void RunControl::SendUpdate() {
  const int unit = view.activeUnit;
  const bool ok = Twice([&] { return view.commands.SendLevels(unit); });
  view.sweep.ShowSweepValues(true);
  if (!ok) {
    view.timers.KillTimer(kPollTimer);
    FailRun(RunEnd::CommunicationFailure);
    view.doc.demoMode = view.connection.AskDemo();
    EndRun();
    return;
  }
  view.form.MessageBeep(Beep::Standard);
}

void RunControl::OnTriggerButton() {
  if (!view.connection.IsTestRunning()) return;
  Twice([&] { return view.commands.SendTrigger(); });
  view.form.MessageBeep(Beep::Standard);
}

void RunControl::OnOneShotMode() {
  view.oneShotMode = view.form.IsChecked(C::OneShotMode) ? 1 : 0;
  if (!view.oneShotMode) view.runState = view.form.IsChecked(C::Line) ? LineOn : Idle;
  view.enabling.UpdateRunControls();
}

void RunControl::OnTimer(int id) {
  switch (id) {
    case kBlinkTimer:
      BlinkTick();
      break;
    case kPollTimer:
      if (view.doc.demoMode) {
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
  view.timers.KillTimer(kBlinkTimer);
  if (view.RunActive()) {
    FormControls& form = view.form;
    const bool endless = view.endlessInjection || view.endlessInterval;
    if (++view.blinkPhase % 2 == 1) {
      if (view.runState == Paused) {
        form.SetImage(C::Pause, Image::PauseDark);
      } else {
        form.SetImage(C::Lamp, Image::LampDim);
        if (endless) form.SetImage(C::Start, Image::StartDark);
      }
    } else {
      if (view.runState == Paused) {
        form.SetImage(C::Pause, Image::PauseNormal);
      } else {
        form.SetImage(C::Lamp, Image::LampLit);
        if (endless) form.SetImage(C::Start, Image::StartNormal);
      }
      view.blinkPhase = 0;
    }
  }
  view.timers.SetTimer(kBlinkTimer, kBlinkMs);
}

void RunControl::RowBlink() {
  if (!view.doc.programMode) return;
  view.sequence.SetProgramRowText(view.showPos, view.rowBlinkPhase == 1);
  view.rowBlinkPhase = view.rowBlinkPhase ? 0 : 1;
}

void RunControl::PollTick() {
  RowBlink();
  ++view.pollTicks;
  view.timers.KillTimer(kPollTimer);
  const std::string answer = CheckRunStatus();
  if (answer.empty()) {
    EndRun();
    return;
  }
  const bool ok =
      view.runState == Paused ? PausedTick(view.activeUnit) : StatusTick(view.activeUnit, answer);
  if (ok) {
    view.timers.SetTimer(kPollTimer, kPollMs);
  } else {
    FailRun(RunEnd::CommunicationFailure);
    view.connection.ShowMessage(LoadString(ids::kCommunicationError));
    EndRun();
  }
}

std::string RunControl::CheckRunStatus() {
  const std::string answer = view.commands.QueryStatus();
  if (answer.empty()) {
    view.timers.KillTimer(kPollTimer);
    FailRun(RunEnd::CommunicationFailure);
    view.connection.ShowMessage(LoadString(ids::kCommunicationError));
    return {};
  }
  const int flags = status::Flags(answer, 2);
  if (flags & status::kRunning) return answer;
  view.timers.KillTimer(kPollTimer);
  if (flags & status::kStopped) {
    FailRun(RunEnd::InstrumentReport);
    view.connection.ReportStopReason(answer);
  } else {
    FailRun(RunEnd::Completed);
    view.form.SetProgress(100);
    view.clock.Sleep(100);
    view.form.MessageBeep(Beep::Asterisk);
  }
  return {};
}

bool RunControl::StatusTick(int unitNumber, const std::string& status) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return false;
  view.runState = Running;
  int32_t injection = 0, interval = 0, toggle = 0, digit = 0;
  InstrumentCommands& commands = view.commands;
  if (!Twice([&] {
        return commands.QueryProgress(unitNumber, injection, interval, view.sweepPoint, toggle,
                                      digit);
      })) {
    return false;
  }

  // The instrument's seconds digit drives the countdown; Endless phases and
  // the waiting state do not count.
  if (digit != view.lastSecondDigit &&
      (view.lastInjectionCount != 0 || view.lastIntervalCount != 0) &&
      view.lastInjectionCount != 10000 && view.lastIntervalCount != 1000) {
    if (view.secondsLeft != 0) {
      view.secondsLeft -= SecondsBetweenDigits(view.lastSecondDigit, digit);
    }
    view.sequence.ShowProgress(false);
    view.lastSecondDigit = digit;
  }

  FormControls& form = view.form;
  const UnitRecord& u = view.doc.unit(unitNumber);
  if (injection != 0) {
    view.endlessInjection = injection == 10000 ? 1 : 0;
    if (view.oneShotMode) form.Enable(C::Trigger, true);
    form.Show(C::PulseLabel, true);
    view.sweep.ShowSweepValues(true);
    view.injectionLeft = injection;
    view.intervalLeft = u.intervalTime;
  } else {
    form.Show(C::PulseLabel, false);
    if (interval > 0) {
      if (view.oneShotMode) form.Enable(C::Trigger, false);
      view.intervalLeft = interval;
      view.endlessInterval = interval == 1000 ? 1 : 0;
      view.injectionLeft = u.injectionTime;
    }
  }
  if (injection == 0 && interval <= 0) {
    view.runState = Waiting;
    Twice([&] { return commands.SendStepCode(10); });
  }
  const bool nextUnit = (status::Flags(status, 2) & status::kNextUnit) != 0;
  if (view.doc.programMode && !view.sequence.FeedProgram(nextUnit, toggle)) {
    FailRun(RunEnd::CommunicationFailure);
    return false;
  }
  view.lastInjectionCount = injection;
  view.lastIntervalCount = interval;
  view.enabling.ShowRemainingTimes(true);
  view.enabling.UpdateRunControls();
  return true;
}

bool RunControl::PausedTick(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return false;
  const std::string voltage = view.commands.QueryVoltage();
  const std::string trigger = voltage.empty() ? std::string() : view.commands.QueryTriggerValue();
  if (!voltage.empty()) view.sweepPoint.voltage = DecimalValue(voltage);
  if (!trigger.empty()) {
    if (view.doc.unit(unitNumber).triggerMode == 0) {
      view.sweepPoint.phase = DecimalValue(trigger);
    } else {
      view.sweepPoint.variable = DecimalValue(trigger);
    }
  }
  view.sweep.ShowSweepValues(true);
  return !voltage.empty() && !trigger.empty();
}

void RunControl::DemoTick() {
  RowBlink();
  ++view.pollTicks;
  if (view.runState == Paused || view.pollTicks < 5) return;
  if (DemoSecond(view.activeUnit)) {
    if (view.doc.programMode) {
      if (view.sequence.OnLastUnitOfLastRepetition()) FailRun(RunEnd::Completed);
      view.sequence.AdvanceDemoProgram();
    } else {
      FailRun(RunEnd::Completed);
      view.form.SetProgress(100);
      view.clock.Sleep(100);
      EndRun();
    }
  }
  view.pollTicks = 0;
}

int32_t RunControl::DemoSecond(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return 1;
  const UnitRecord& u = view.doc.unit(unitNumber);
  FormControls& form = view.form;
  SweepControl& sweep = view.sweep;
  const bool sweepUnit = sweep.IsSweepUnit(unitNumber);
  int32_t finished = 0;

  if (!view.endlessInjection && !view.endlessInterval) --view.secondsLeft;
  view.sequence.ShowProgress(false);

  if (view.endlessInjection) {
    // Waits for NEXT.
  } else if (view.injectionLeft > 0) {
    form.Show(C::PulseLabel, true);
    if (--view.injectionLeft == 0) {
      view.endlessInterval = u.intervalEndless;
      const bool intervalFollows = u.intervalEndless || u.intervalTime > 0;
      if (intervalFollows) {
        form.Show(C::PulseLabel, false);
        if (view.oneShotMode) form.Enable(C::Trigger, false);
      }
      if (sweepUnit && sweep.RemainingSteps(unitNumber, true) != 0) {
        finished = 0;
      } else if (!view.doc.programMode || view.sequence.OnLastUnitOfLastRepetition()) {
        finished = 1;
      } else {
        finished = intervalFollows ? 0 : 1;
      }
      if (!intervalFollows && sweepUnit) sweep.AdvanceSweep(unitNumber);
    }
  } else if (!view.endlessInterval) {
    if (--view.intervalLeft <= 0) {
      form.Show(C::PulseLabel, true);
      if (view.oneShotMode) form.Enable(C::Trigger, true);
      if (sweepUnit && sweep.RemainingSteps(unitNumber, true) != 0) {
        sweep.AdvanceSweep(unitNumber);
      } else {
        finished = 1;
      }
    }
  }
  view.enabling.UpdateRunControls();
  view.enabling.ShowRemainingTimes(true);
  return finished;
}

void RunControl::LineWatchTick() {
  if (view.runState != LineOn || view.doc.demoMode) return;
  view.timers.KillTimer(kLineWatchTimer);
  if (view.connection.CheckLineStatus() == 1) {
    view.timers.SetTimer(kLineWatchTimer, kLineWatchMs);
    return;
  }
  view.form.Check(C::Line, false);
  ToggleLine();
}

}  // namespace hvt
