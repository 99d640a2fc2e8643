#include "view/CPELKView.h"

#include <algorithm>

#include "form/UnitSelection.h"
#include "model/Settings.h"

namespace hvt {

CPELKView::CPELKView(CPELKDoc& document, const Ports& ports)
    : doc(document),
      clock(ports.clock),
      timers(ports.timers),
      prompter(ports.prompter),
      form(ports.form),
      settings(ports.settings),
      runEvents(*this),
      formWiring{doc,       form,  clock,      timers, prompter, dialogs,
                 formState, *this, selections, entry,  lists,    layout},
      runWiring{doc,           form,  clock,     timers,    prompter,  commands,
                connection,    *this, runEvents, formState, runStatus, sweepState,
                sequenceState, run,   sweep,     sequence,  enabling,  watch},
      protocol(ports.device, ports.clock, ports.portPath),
      commands(document, protocol,
               CommandHooks{[this] { return runStatus.oneShotMode != 0; },
                            [this] { return formState.testModeTab; },
                            [this] { return ReportedVoltageLimit(); },
                            [this] { return formState.workingUnit.voltage; },
                            [this] { run.ForgetSecondsDigit(); }}),
      connection(document, protocol, commands, ports.prompter, ports.form, ports.timers),
      configuration(document, protocol, commands, ports.settings, formState.voltageLimit),
      sweep(runWiring, sweepState),
      sequence(runWiring, sequenceState),
      enabling(runWiring),
      lists(formWiring),
      entry(formWiring),
      selections(formWiring),
      layout(formWiring),
      filterTargets(runWiring),
      filter(runWiring, filterTargets),
      events(*this),
      run(runWiring, runStatus),
      watch(runWiring),
      nameMemo(formWiring),
      report(*this) {
  run.MakeActive(doc.currentUnit);
  events.keyFilter = [this](const KeyEvent& e) { return filter.OnKey(e); };
  events.mouseFilter = [this](const MouseEvent& e) { return filter.OnMouse(e); };
  events.listDoubleClick = [this](ControlId id, int) {
    if (id == ControlId::ProgramList) OpenProgramEditor(formWiring);
  };
  // A step button's clicked notification comes when it is released.
  for (ControlId button : {ControlId::UnitUpButton, ControlId::UnitDownButton,
                           ControlId::ProgramUpButton, ControlId::ProgramDownButton}) {
    events.clickHandlers[button] = [this, button] { lists.ReleaseStepButton(button); };
  }
  events.clickHandlers[ControlId::TestMemoButton] = [this] { nameMemo.OnTestMemo(); };
  events.clickHandlers[ControlId::ProgramMemoButton] = [this] { nameMemo.OnProgramMemo(); };
  events.clickHandlers[ControlId::UnitNameEditButton] = [this] { nameMemo.OnUnitNameEdit(); };
  events.clickHandlers[ControlId::ProgramNameEditButton] = [this] { nameMemo.OnProgramNameEdit(); };
  events.commandHandlers[CommandId::CopyUnit] = [this] { lists.CopyUnit(); };
  events.commandHandlers[CommandId::PasteUnit] = [this] { lists.PasteUnit(); };
  connection.mayStillInject = [this] { watch.WarnMayStillInject(); };
}

CPELKView::~CPELKView() { protocol.ClosePort(); }

bool CPELKView::StartUp(bool connect) {
  if (doc.firstUpdate) {
    if (connect && !connection.Connect()) return false;
    if (!configuration.QueryConfiguration()) doc.demoMode = connection.AskDemo() ? 1 : 0;
    doc.InitNewDocument();
    // The form is set up (condition area shown) before the unit is drawn,
    // so the unit's own page decides which columns stay visible.
    layout.SetUp();
  }
  doc.printModel = settings.ReadSetting("PRINT_ENV", "Model");
  doc.printSerial = settings.ReadSetting("PRINT_ENV", "Serial");
  InitialUpdate();
  return true;
}

void CPELKView::InitialUpdate() {
  selections.SelectUnit(doc.currentUnit);
  selections.RefreshForm();
  lists.ShowProgram();
  form.Check(ControlId::ProgramCheck, doc.programMode != 0);
  layout.EnableProgramArea();
  selections.ShowRadioPairs();
  enabling.UpdateRunControls();
  doc.firstUpdate = 0;
}

void CPELKView::OnTimer(int id) {
  if (ProgramLists::IsRepeatTimer(id)) {
    lists.OnRepeatTimer(id);
    return;
  }
  if (id == kLeftTestTimer) {
    watch.OnTimer(id);
    return;
  }
  run.OnTimer(id);
}

int32_t CPELKView::ReportedVoltageLimit() const {
  // In a program run the instrument may already report the unit fed ahead,
  // before the unit toggle says so: any unit of the program may be the one
  // reporting, so the highest of their limits applies.
  if (RunActive() && doc.programMode) {
    int32_t limit = 0;
    for (int32_t pos : sequence.RunPositions()) {
      limit = std::max(limit, doc.VoltageLimit(doc.unit(sequence.UnitAt(pos)).terminator));
    }
    if (limit > 0) return limit;
  }
  return formState.voltageLimit;
}

// A listener that fails (a journal that cannot allocate, say) must not take
// the run with it: the run goes on and the instrument stays under control.
template <typename F>
void CPELKView::EventHub::Each(F&& tell) {
  for (RunEvents* l : listeners) {
    try {
      tell(*l);
    } catch (const std::exception&) {
    }
  }
}

void CPELKView::EventHub::RunStarted(int32_t unit, bool programRun) {
  Each([&](RunEvents& l) { l.RunStarted(unit, programRun); });
}
void CPELKView::EventHub::UnitStarted(int32_t unit, int32_t position) {
  Each([&](RunEvents& l) { l.UnitStarted(unit, position); });
}
void CPELKView::EventHub::PointStarted(int32_t unit) {
  Each([&](RunEvents& l) { l.PointStarted(unit); });
}
void CPELKView::EventHub::Paused() {
  Each([&](RunEvents& l) { l.Paused(); });
}
void CPELKView::EventHub::Resumed() {
  Each([&](RunEvents& l) { l.Resumed(); });
}
void CPELKView::EventHub::Next() {
  Each([&](RunEvents& l) { l.Next(); });
}
void CPELKView::EventHub::SingleShot() {
  Each([&](RunEvents& l) { l.SingleShot(); });
}
void CPELKView::EventHub::LineSwitched(bool on, LineCause cause) {
  Each([&](RunEvents& l) { l.LineSwitched(on, cause); });
}
void CPELKView::EventHub::Failed(RunEnd how, const std::string& text, bool byOperator,
                                 int32_t code) {
  Each([&](RunEvents& l) { l.Failed(how, text, byOperator, code); });
}
void CPELKView::EventHub::Stopped(RunEnd how, bool stopAccepted) {
  view.watch.NoteStop(stopAccepted);
  Each([&](RunEvents& l) { l.Stopped(how, stopAccepted); });
}

JournalRecorder& CPELKView::EnableJournal(JournalFolder& folder, const JournalClock& clock,
                                          const TextCodec& codec) {
  if (!journalRecorder) {
    journalRecorder = std::make_unique<JournalRecorder>(doc, connection, runStatus, sweepState,
                                                        sequenceState, codec, &folder, clock);
    AddRunListener(*journalRecorder);
  }
  return *journalRecorder;
}

void CPELKView::MakeActive(int32_t unitNumber) { run.MakeActive(unitNumber); }
void CPELKView::SetProgramTimes(int32_t times) { sequence.SetProgramTimes(times); }
void CPELKView::UpdateRunControls() { enabling.UpdateRunControls(); }
void CPELKView::ShowConditionPanel(bool show) { enabling.ShowConditionPanel(show); }
void CPELKView::SetSequenceLabel(int parameter, const std::string& text) {
  sweep.SetSequenceLabel(parameter, text);
}
void CPELKView::ShowSweepValues(bool current) { sweep.ShowSweepValues(current); }

void CPELKView::SelectUnit(int unitNumber) { selections.SelectUnit(unitNumber); }
void CPELKView::RefreshForm() { selections.RefreshForm(); }
void CPELKView::ShowRunUnit(int unitNumber) { selections.ShowRunUnit(unitNumber); }
void CPELKView::ShowSequenceRows(int32_t page) { selections.ShowSequenceRows(page); }
void CPELKView::ShowProgram() { lists.ShowProgram(); }
void CPELKView::FillUnitOverview() { lists.FillUnitOverview(); }
void CPELKView::SetUnitButtons() { lists.SetUnitButtons(); }
void CPELKView::SetProgramButtons() { lists.SetProgramButtons(); }
bool CPELKView::CanPaste() const { return lists.CanPaste(); }
void CPELKView::SetEditText(ControlId edit, const std::string& text) {
  entry.SetEditText(edit, text);
}
void CPELKView::ShowVoltageStepHint() { entry.ShowVoltageStepHint(); }
void CPELKView::ShowTriggerStepHint() { entry.ShowTriggerStepHint(); }
void CPELKView::StepUnit(int direction) { lists.StepUnit(direction); }
void CPELKView::StepProgram(int direction) { lists.StepProgram(direction); }
void CPELKView::PressStepButton(ControlId button) { lists.PressStepButton(button); }
void CPELKView::DisarmRepeat() { lists.DisarmRepeat(); }
void CPELKView::OnTabSelected(int page) { layout.OnTabSelected(page); }
void CPELKView::MarkAnomaly() {
  if (journalRecorder && openAnomalyBox) openAnomalyBox(journalRecorder->TakeMoment());
}

}  // namespace hvt
