#include "form/FormLayout.h"

#include <algorithm>

#include "form/FormTables.h"
#include "model/StringTable.h"
#include "form/FormWiring.h"

namespace hvt {

namespace {

using C = ControlId;

// The stop and step columns and their headers, shown on the SWEEP page.
constexpr ControlId kSweepColumns[] = {
    C::VoltageSweepCheck, C::VoltageStopEdit, C::VoltageStopSpin, C::VoltageStopUnit,
    C::VoltageStepEdit,   C::VoltageStepSpin, C::VoltageStepUnit, C::TriggerSweepCheck,
    C::TriggerStopEdit,   C::TriggerStopSpin, C::TriggerStopUnit, C::TriggerStepEdit,
    C::TriggerStepSpin,   C::TriggerStepUnit, C::SweepHeader,     C::StopHeader,
    C::StepHeader,
};

constexpr ControlId kProgramArea[] = {
    C::ProgramList,      C::ProgramTimesEdit,  C::ProgramTimesSpin,      C::ProgramTimesLabel,
    C::ProgramTimesUnit, C::ProgramMemoButton, C::ProgramNameEditButton, C::UnitNameRadio,
    C::UnitNoRadio,      C::ProgramNameLabel,  C::ProgramName,
};

}  // namespace

void FormLayout::SetUp() {
  FormControls& form = with.form;
  CPELKDoc& doc = with.doc;
  const form::ProgramListLook list = form::ProgramListStyle();
  form.SetItems(C::ProgramList, {});
  form.SetCell(C::ProgramList, 0, list.emptyItem);
  form.SetText(C::DemoLabel, "DEMO");
  form.Show(C::DemoLabel, doc.demoMode != 0);
  form.SetText(C::PulseLabel, "PulseOut");
  form.Show(C::PulseLabel, false);
  form.SetItems(C::PolarityCombo, form::PolarityItems());
  form.SetItems(C::PolarityStopCombo, form::PolarityItems());
  form.SetItems(C::InjectionLineCombo, with.selections.InjectionItems());
  form.SetItems(C::InjectionStopCombo, with.selections.InjectionItems());
  form.SetItems(C::WidthCombo, with.selections.WidthItems());
  form.SetItems(C::WidthStopCombo, with.selections.WidthItems());
  form.SetItems(C::ConditionTab, form::TabNames());
  with.lists.SetUpOverview();
  for (const form::SpinSetUp& spin : form::SpinSetUps(with.state.voltageLimit)) {
    form.SetSpinRange(spin.spin, spin.low, spin.high);
  }
  form.SetImage(C::Lamp, Image::None);
  for (const form::ToolTip& tip : form::ToolTips())
    form.SetToolTip(tip.control, LoadString(tip.textId));
  for (ControlId id : form::HiddenControls()) form.Show(id, false);
  with.run.ShowConditionPanel(true);
}

void FormLayout::OnTabSelected(int page) {
  page = std::clamp(page, 0, 1);
  with.form.SetTabPage(C::ConditionTab, page);
  ShowTabPage(page);
  with.state.testModeTab = page;
  with.state.workingUnit.testMode = page;
  // Kept with the unit, yet browsing the pages is no change to save.
  if (with.run.ActiveUnit() >= 1 && with.run.ActiveUnit() <= kUnitCount)
    with.doc.unit(with.run.ActiveUnit()).testMode = page;
}

void FormLayout::ShowTabPage(int32_t page) {
  FormControls& form = with.form;
  if (page != 1) {
    for (ControlId id : kSweepColumns) form.Show(id, false);
    with.selections.ShowSequenceRows(0);
    return;
  }
  const UnitRecord& w = with.state.workingUnit;
  form.Enable(C::PolarityStopCombo, w.polaritySweep != 0);
  form.Enable(C::WidthStopCombo, w.widthSweep != 0);
  form.Enable(C::InjectionStopCombo, w.injectionSweep != 0);
  form.Enable(C::ReturnStopCombo, w.returnSweep != 0);
  for (ControlId id : {C::VoltageStopEdit, C::VoltageStopSpin, C::VoltageStepEdit}) {
    form.Enable(id, w.voltageSweep != 0);
  }
  for (ControlId id : {C::TriggerStopEdit, C::TriggerStopSpin, C::TriggerStepEdit}) {
    form.Enable(id, w.triggerSweep != 0);
  }
  for (ControlId id : kSweepColumns) form.Show(id, true);
  with.selections.ShowSequenceRows(1);
}

void FormLayout::EnableProgramArea() {
  FormControls& form = with.form;
  const bool on = with.doc.programMode != 0;
  for (ControlId id : kProgramArea) form.Enable(id, on);
  if (on) {
    with.lists.SetProgramButtons();
  } else {
    form.Enable(C::ProgramUpButton, false);
    form.Enable(C::ProgramDownButton, false);
  }
}

void FormLayout::OnPhaseLabel() {
  if (with.run.RunActive()) return;
  with.selections.OnPhase();
}

void FormLayout::OnVariableLabel() {
  if (with.run.RunActive()) return;
  with.selections.OnVariable();
}

bool FormLayout::OnContextMenu(bool insideConditionTab) {
  if (with.run.RunActive()) return false;
  with.entry.MoveFocus(C::ConditionTab);
  return insideConditionTab;
}

}  // namespace hvt
