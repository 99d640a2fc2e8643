#include "run/InstrumentWatch.h"

#include "model/StringTable.h"
#include "view/CPELKView.h"

namespace hvt {

namespace {

using C = ControlId;

}  // namespace

void InstrumentWatch::SetWarning(std::string text) {
  if (text == warning) return;
  warning = std::move(text);
  view.form.SetWarningText(warning);
}

void InstrumentWatch::CheckAfterConnect(Owner owner) {
  if (view.doc.demoMode) return;
  const InstrumentActivity found = ReadActivity(view.commands);
  if (!found.answered) return;  // the next command that fails says so
  view.commands.TakeFound(found.testRunning, found.lineOn);
  if (!found.Busy()) {
    leftTest = 0;
    SetWarning({});
    return;
  }
  const std::string text = BusyText(found) + "\n" + LoadString(ids::kFoundAskStop);
  const Answer answer =
      view.prompter.AskSafeDefault(text, Buttons::YesNo, MessageIcon::Warning, owner, Answer::Yes);
  if (answer == Answer::Yes) {
    StopFound(found);
  } else {
    LeaveFound(found);
  }
}

void InstrumentWatch::StopFound(const InstrumentActivity& found) {
  const StopResult r = StopInstrument(view.commands);
  if (r.after.answered && !r.after.Busy()) {
    leftTest = 0;
    SetWarning({});
    return;
  }
  // Not confirmed: the operator is told, and the warning stays.
  view.connection.ShowMessage(LoadString(ids::kMayStillInject));
  SetWarning(LoadString(ids::kMayStillInject));
}

void InstrumentWatch::LeaveFound(const InstrumentActivity& found) {
  if (found.lineOn && view.runState == Idle) {
    view.form.Check(C::Line, true);
    view.run.ToggleLine();
  }
  if (found.testRunning) {
    leftTest = 1;
    SetWarning(LoadString(ids::kWatchingLeftTest));
    view.timers.SetTimer(kLeftTestTimer, kLeftTestMs);
  }
  view.enabling.UpdateRunControls();
}

void InstrumentWatch::WarnMayStillInject() { SetWarning(LoadString(ids::kMayStillInject)); }

void InstrumentWatch::NoteStop(bool accepted) {
  if (view.doc.demoMode) return;
  if (!accepted) {
    WarnMayStillInject();
  } else if (warning == LoadString(ids::kMayStillInject) && !view.commands.exposure().lineMayBeOn) {
    SetWarning({});
  }
}

void InstrumentWatch::OnTimer(int id) {
  if (id != kLeftTestTimer) return;
  view.timers.KillTimer(kLeftTestTimer);
  if (!leftTest) return;
  if (view.doc.demoMode) {
    // The link was given up: nothing can be asked any more, and nothing
    // tells that the test ended.
    leftTest = 0;
    SetWarning(LoadString(ids::kMayStillInject));
    view.enabling.UpdateRunControls();
    return;
  }
  const InstrumentActivity now = ReadActivity(view.commands);
  if (now.answered && !now.testRunning) {
    leftTest = 0;
    SetWarning({});
    view.enabling.UpdateRunControls();
    return;
  }
  view.timers.SetTimer(kLeftTestTimer, kLeftTestMs);
}

}  // namespace hvt
