#include "run/RunEnabling.h"

#include <initializer_list>

#include "run/RunWiring.h"

namespace hvt {

namespace {

using C = ControlId;

void EnableAll(FormControls& form, std::initializer_list<ControlId> ids, bool enable) {
  for (ControlId id : ids) form.Enable(id, enable);
}

// The condition controls inside the tab page, hidden during a program run.
constexpr ControlId kConditionPanel[] = {
    C::SweepHeader,
    C::StartHeader,
    C::StopHeader,
    C::StepHeader,
    C::PolarityLabel,
    C::PolarityCombo,
    C::WidthLabel,
    C::WidthCombo,
    C::WidthUnit,
    C::VoltageSweepCheck,
    C::VoltageLabel,
    C::VoltageEdit,
    C::VoltageSpin,
    C::VoltageUnit,
    C::VoltageStopEdit,
    C::VoltageStopSpin,
    C::VoltageStopUnit,
    C::VoltageStepEdit,
    C::VoltageStepSpin,
    C::VoltageStepUnit,
    C::TriggerSweepCheck,
    C::PhaseRadio,
    C::PhaseLabel,
    C::VariableRadio,
    C::VariableLabel,
    C::TriggerEdit,
    C::TriggerSpin,
    C::TriggerUnit,
    C::TriggerStopEdit,
    C::TriggerStopSpin,
    C::TriggerStopUnit,
    C::TriggerStepEdit,
    C::TriggerStepSpin,
    C::TriggerStepUnit,
    C::InjectionLabel,
    C::InjectionLineCombo,
    C::ReturnLabel,
    C::ReturnLineCombo,
    C::InjectionTimeSpin,
    C::InjectionTimeUnit,
    C::InjectionEndlessCheck,
    C::IntervalTimeSpin,
    C::IntervalTimeUnit,
    C::IntervalEndlessCheck,
    C::LineOptionCheck,
    C::LineOptionLabel,
    C::TerminatorCombo,
    C::TerminatorLabel,
};

// The condition controls a run locks and its end opens again.
constexpr ControlId kLockedInRun[] = {
    C::PolaritySweepCheck, C::WidthSweepCheck,       C::VoltageSweepCheck,    C::PolarityCombo,
    C::WidthCombo,         C::LineOptionLabel,       C::VoltageEdit,          C::VoltageSpin,
    C::TriggerEdit,        C::TriggerSpin,           C::TriggerSweepCheck,    C::PhaseRadio,
    C::VariableRadio,      C::InjectionSweepCheck,   C::InjectionLineCombo,   C::ReturnSweepCheck,
    C::ReturnLineCombo,    C::InjectionEndlessCheck, C::IntervalEndlessCheck, C::ConditionTab,
    C::ProgramCheck,       C::TestMemoButton,        C::UnitNameEditButton,   C::TerminatorCombo,
    C::TerminatorLabel,
};

}  // namespace

void RunEnabling::UpdateRunControls() {
  FormControls& form = with.form;
  const bool lineChecked = form.IsChecked(C::Line);
  const bool validUnit = with.status.activeUnit >= 1 && with.status.activeUnit <= kUnitCount;
  const UnitRecord* unit = validUnit ? &with.doc.unit(with.status.activeUnit) : nullptr;
  const bool lineOption = unit && unit->lineOption;
  switch (with.status.runState) {
    case Idle:
    case LineOn:
      // A test this program did not start runs on the instrument.
      form.Enable(C::Start, !with.watch.LeftTestRunning());
      form.Enable(C::Stop, false);
      form.Enable(C::Pause, false);
      form.Enable(C::Line, true);
      form.Enable(C::OneShotMode, true);
      form.Enable(C::Trigger, false);
      form.Show(C::Update, false);
      break;
    case Running: {
      form.Enable(C::Start, with.status.endlessInjection || with.status.endlessInterval);
      form.Enable(C::Stop, true);
      form.Enable(C::Pause, !with.status.oneShotMode);
      form.Enable(C::Line, lineChecked && lineOption);
      form.Enable(C::OneShotMode, false);
      // Nothing is left to update when both quantities are swept.
      const bool bothSwept =
          unit && unit->testMode == 1 && unit->voltageSweep && unit->triggerSweep;
      form.Show(C::Update, !with.doc.programMode && !bothSwept);
      break;
    }
    case Waiting:
      form.Enable(C::Start, false);
      form.Enable(C::Stop, true);
      form.Enable(C::Pause, false);
      if (!(lineChecked && lineOption)) form.Enable(C::Line, false);
      form.Enable(C::OneShotMode, false);
      form.Enable(C::Trigger, false);
      form.Show(C::Update, false);
      break;
    case Paused:
      form.Enable(C::Start, false);
      form.Enable(C::Pause, true);
      form.Enable(C::Trigger, false);
      form.Show(C::Update, false);
      break;
    default:
      break;
  }
  // Menus, tool bar and accelerators follow the run state too.
  form.CommandStatesChanged();
}

void RunEnabling::EnableFormForRun(bool enable) {
  FormControls& form = with.form;
  const bool validUnit = with.status.activeUnit >= 1 && with.status.activeUnit <= kUnitCount;
  const UnitRecord u = validUnit ? with.doc.unit(with.status.activeUnit) : UnitRecord{};
  const bool programMode = with.doc.programMode != 0;
  const bool sweep = u.testMode == 1;

  if (!enable) {
    EnableAll(form, {C::PolarityStopCombo, C::VoltageStopEdit,    C::VoltageStopSpin,
                     C::VoltageStepEdit,   C::VoltageStepSpin,    C::WidthStopCombo,
                     C::TriggerStopEdit,   C::TriggerStopSpin,    C::TriggerStepEdit,
                     C::TriggerStepSpin,   C::InjectionStopCombo, C::ReturnStopCombo,
                     C::ProgramTimesEdit,  C::ProgramTimesSpin,   C::UnitDownButton,
                     C::UnitUpButton,      C::ProgramMemoButton,  C::ProgramNameEditButton,
                     C::ProgramUpButton,   C::ProgramDownButton,  C::UnitNameRadio,
                     C::UnitNoRadio,       C::InjectionTimeSpin,  C::IntervalTimeSpin},
              false);
    FreezeSequenceCombos();
    if (u.triggerMode == 1) form.Enable(C::LineOptionCheck, false);
    // The voltage and trigger values stay open to UPDATE unless the run
    // steps them itself.
    const bool voltageLocked = programMode || (sweep && u.voltageSweep);
    const bool triggerLocked =
        programMode || (sweep && u.triggerSweep) || (with.status.oneShotMode && u.triggerMode == 1);
    for (ControlId id : kLockedInRun) {
      if (!voltageLocked && (id == C::VoltageEdit || id == C::VoltageSpin)) continue;
      if (!triggerLocked && (id == C::TriggerEdit || id == C::TriggerSpin)) continue;
      form.Enable(id, false);
    }
    return;
  }

  form.Enable(C::PolarityStopCombo, u.polaritySweep);
  EnableAll(form, {C::VoltageStopEdit, C::VoltageStopSpin, C::VoltageStepEdit},
            u.voltageSweep != 0);
  with.host.ShowVoltageStepHint();  // the step spin follows the range left
  form.Enable(C::WidthStopCombo, u.widthSweep);
  EnableAll(form, {C::TriggerStopEdit, C::TriggerStopSpin, C::TriggerStepEdit},
            u.triggerSweep != 0);
  with.host.ShowTriggerStepHint();
  form.Enable(C::InjectionStopCombo, u.injectionSweep);
  form.Enable(C::ReturnStopCombo, u.returnSweep);
  EnableAll(form,
            {C::ProgramTimesEdit, C::ProgramTimesSpin, C::ProgramMemoButton,
             C::ProgramNameEditButton, C::UnitNameRadio, C::UnitNoRadio},
            programMode);
  form.Enable(C::InjectionTimeSpin, !u.injectionEndless);
  form.Enable(C::IntervalTimeSpin, !u.intervalEndless);
  with.host.SetUnitButtons();
  if (programMode) with.host.SetProgramButtons();
  with.host.ShowSequenceRows(with.formState.testModeTab);
  // A Phase unit keeps LINE checked and locked.
  form.Enable(C::LineOptionCheck, u.triggerMode == 1);
  for (ControlId id : kLockedInRun) form.Enable(id, true);
}

void RunEnabling::EnableFrameForRun(bool enable) {
  with.form.EnableClose(enable);
  with.form.EnableFrame(enable);
}

void RunEnabling::FreezeSequenceCombos() {
  FormControls& form = with.form;
  for (int i = 0; i < 6; ++i) {
    const ControlId combo = Offset(ControlId::SequenceCombo0, i);
    const ControlId text = Offset(ControlId::SequenceText0, i);
    form.SetText(text, form.Text(combo));
    form.Enable(combo, false);
    form.Show(text, true);
  }
}

void RunEnabling::ShowConditionPanel(bool show) {
  FormControls& form = with.form;
  form.Show(C::ConditionTab, show);
  for (int k = 0; k <= 6; ++k) form.Show(Offset(C::Rule0, k), show);
  for (ControlId id : kConditionPanel) form.Show(id, show);
  form.Show(C::UnitOverview, !show);
}

void RunEnabling::ShowRemainingTimes(bool running) {
  FormControls& form = with.form;
  const bool validUnit = with.status.activeUnit >= 1 && with.status.activeUnit <= kUnitCount;
  const UnitRecord u = validUnit ? with.doc.unit(with.status.activeUnit) : UnitRecord{};
  const UnitRecord& w = with.formState.workingUnit;
  auto number = [](int32_t v) { return std::to_string(v); };

  std::string injection;
  if (u.injectionEndless) {
    injection = running ? "Endless" : number(w.injectionTime);
  } else {
    const int32_t v = running ? with.sweepState.injectionLeft : w.injectionTime;
    injection = v == 10000 ? "" : number(v);
  }
  std::string interval;
  if (u.intervalEndless) {
    interval = running ? "Endless" : number(w.intervalTime);
  } else {
    interval = number(running ? with.sweepState.intervalLeft : w.intervalTime);
  }
  // Set as the program sets an edit: its change handling runs too.
  with.host.SetEditText(C::InjectionTimeEdit, injection);
  with.host.SetEditText(C::IntervalTimeEdit, interval);
  // Remaining times are shown, not typed: Tab must not stop on them.
  for (ControlId id : {C::InjectionTimeEdit, C::IntervalTimeEdit}) {
    form.SetTabStop(id, !with.status.RunActive());
  }
}

bool RunEnabling::TimesRunColoured() const { return with.status.RunActive(); }

bool RunEnabling::IsCommandEnabled(CommandId command) const {
  switch (command) {
    case CommandId::AppExit:
    case CommandId::Rs232Setup:
      return with.status.runState < LineOn;
    case CommandId::AppAbout:
    case CommandId::FileNew:
    case CommandId::FileOpen:
    case CommandId::FileSave:
    case CommandId::FilePrint:
    case CommandId::FilePrintPreview:
    case CommandId::ExportPdf:
    case CommandId::ExportRunRecord:
    // The recent files open documents, as Open does.
    case CommandId::FileRecent1:
    case CommandId::FileRecent2:
    case CommandId::FileRecent3:
    case CommandId::FileRecent4:
      return with.status.runState < Running;
    case CommandId::PasteUnit:
      return with.host.CanPaste();
    default:
      // Save As, Print Setup and the two Option commands have no rule of
      // their own: during a run their menus are grayed whole.
      return true;
  }
}

}  // namespace hvt
