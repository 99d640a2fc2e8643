#include "run/InstrumentWatch.h"

#include "model/StringTable.h"
#include "run/RunWiring.h"

namespace hvt {

namespace {

using C = ControlId;

}  // namespace

void InstrumentWatch::SetWarning(std::string text) {
  if (text == warning) return;
  warning = std::move(text);
  with.form.SetWarningText(warning);
}

void InstrumentWatch::CheckAfterConnect(Owner owner) {
  if (with.doc.demoMode) return;
  const InstrumentActivity found = ReadActivity(with.commands);
  if (!found.answered) return;  // the next command that fails says so
  with.commands.TakeFound(found.testRunning, found.lineOn);
  if (!found.Busy()) {
    leftTest = 0;
    SetWarning({});
    return;
  }
  const std::string text = BusyText(found) + "\n" + LoadString(TextId::FoundAskStop);
  const Answer answer =
      with.prompter.AskSafeDefault(text, Buttons::YesNo, MessageIcon::Warning, owner, Answer::Yes);
  if (answer == Answer::Yes) {
    StopFound(found);
  } else {
    LeaveFound(found);
  }
}

void InstrumentWatch::StopFound(const InstrumentActivity& found) {
  const StopResult r = StopInstrument(with.commands);
  if (r.after.answered && !r.after.Busy()) {
    leftTest = 0;
    SetWarning({});
    return;
  }
  // Not confirmed: the operator is told, and the warning stays.
  with.connection.ShowMessage(LoadString(TextId::MayStillInject));
  SetWarning(LoadString(TextId::MayStillInject));
}

void InstrumentWatch::LeaveFound(const InstrumentActivity& found) {
  if (found.lineOn && with.status.runState == Idle) {
    with.form.Check(C::Line, true);
    with.run.ToggleLine(LineCause::FoundOn);
  }
  if (found.testRunning) {
    leftTest = 1;
    SetWarning(LoadString(TextId::WatchingLeftTest));
    with.timers.SetTimer(kLeftTestTimer, kLeftTestMs);
  }
  with.enabling.UpdateRunControls();
}

void InstrumentWatch::WarnMayStillInject() { SetWarning(LoadString(TextId::MayStillInject)); }

void InstrumentWatch::NoteStop(bool accepted) {
  if (with.doc.demoMode) return;
  if (!accepted) {
    WarnMayStillInject();
  } else if (warning == LoadString(TextId::MayStillInject) &&
             !with.commands.exposure().lineMayBeOn) {
    SetWarning({});
  }
}

void InstrumentWatch::OnTimer(int id) {
  if (id != kLeftTestTimer) return;
  with.timers.KillTimer(kLeftTestTimer);
  if (!leftTest) return;
  if (with.doc.demoMode) {
    // The link was given up: nothing can be asked any more, and nothing
    // tells that the test ended.
    leftTest = 0;
    SetWarning(LoadString(TextId::MayStillInject));
    with.enabling.UpdateRunControls();
    return;
  }
  const InstrumentActivity now = ReadActivity(with.commands);
  if (now.answered && !now.testRunning) {
    leftTest = 0;
    SetWarning({});
    with.enabling.UpdateRunControls();
    return;
  }
  with.timers.SetTimer(kLeftTestTimer, kLeftTestMs);
}

}  // namespace hvt
