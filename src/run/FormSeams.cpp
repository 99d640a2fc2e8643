#include "run/FormSeams.h"

#include <cstdio>

#include "model/StringTable.h"
#include "run/CPELKView.h"

namespace hvt {

void FormSeams::SelectUnit(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return;
  CPELKDoc& doc = view.doc;
  view.workingUnit = doc.unit(unitNumber);
  view.testModeTab = view.workingUnit.testMode;
  view.sweepLevels = view.workingUnit.sweepCount;
  view.voltageLimit = doc.VoltageLimit(view.workingUnit.terminator);
  view.sendTimesLeft = doc.CurrentProgram().times;
}

void FormSeams::RefreshForm() {
  const UnitRecord& w = view.workingUnit;
  FormControls& form = view.form;
  form.SetText(ControlId::UnitNumberEdit, std::to_string(view.activeUnit));
  form.SetText(ControlId::UnitName, w.name);
  form.SetText(ControlId::VoltageEdit, VoltageDisplayText(w.voltage));
  form.SetText(ControlId::TriggerEdit, std::to_string(w.triggerMode == 1 ? w.variable : w.phase));
  form.Check(ControlId::OneShotMode, view.oneShotMode != 0);
  form.Enable(ControlId::InjectionTimeEdit, !w.injectionEndless);
  form.Enable(ControlId::IntervalTimeEdit, !w.intervalEndless);
  view.sweep.FillSequenceCombos();
  ShowSequenceRows(view.testModeTab);
  view.enabling.ShowRemainingTimes(false);
}

void FormSeams::ShowProgram() {
  CPELKDoc& doc = view.doc;
  const ProgramRecord& p = doc.CurrentProgram();
  doc.programStepCount = doc.CountProgramSteps(doc.currentProgram);
  FormControls& form = view.form;
  form.SetItems(ControlId::ProgramList, {});  // a shorter program leaves no old cells
  if (doc.programStepCount == 0) {
    form.SetCell(ControlId::ProgramList, 0, "None  ");
  } else {
    for (int k = 1; k <= doc.programStepCount; ++k) {
      form.SetCell(ControlId::ProgramList, 2 * k - 2, StepText(p.step(2 * k - 1)));
      if (k < doc.programStepCount) form.SetCell(ControlId::ProgramList, 2 * k - 1, "->");
    }
  }
  form.SetText(ControlId::ProgramNumberEdit, std::to_string(doc.currentProgram));
  form.SetText(ControlId::ProgramName, p.name);
  form.SetText(ControlId::ProgramTimesEdit, std::to_string(p.times));
  form.SetText(ControlId::TimesLeft, std::to_string(p.times));
  view.sendTimesLeft = p.times;
}

void FormSeams::FillUnitOverview() {
  for (int n = 1; n <= kUnitCount; ++n) {
    view.form.SetCell(ControlId::UnitOverview, n - 1, view.doc.unit(n).name);
  }
}

void FormSeams::ShowSequenceRows(int32_t active) {
  if (view.activeUnit < 1 || view.activeUnit > kUnitCount) return;
  FormControls& form = view.form;
  const UnitRecord& u = view.doc.unit(view.activeUnit);
  for (int k = 0; k < 6; ++k) {
    const int row = 5 - k;
    const ControlId combo = Offset(ControlId::SequenceCombo0, row);
    const ControlId text = Offset(ControlId::SequenceText0, row);
    const int32_t p = u.sweepOrder[static_cast<size_t>(row)];
    if (p >= 0 && p < 6) form.SetText(combo, view.doc.sweepNames[static_cast<size_t>(p)]);
    const bool inUse = k < u.sweepCount && active == 1;
    form.Enable(combo, inUse);
    if (!inUse) form.SetText(text, form.Text(combo));
    form.Show(text, !inUse);
    if (k < 2) {
      const ControlId arrows = k == 0 ? ControlId::ArrowBottom0 : ControlId::ArrowAbove0;
      for (int a = 0; a < 3; ++a) form.Show(Offset(arrows, a), inUse);
    }
  }
}

void FormSeams::FreezeSequenceCombos() {
  FormControls& form = view.form;
  for (int i = 0; i < 6; ++i) {
    const ControlId combo = Offset(ControlId::SequenceCombo0, i);
    const ControlId text = Offset(ControlId::SequenceText0, i);
    form.SetText(text, form.Text(combo));
    form.Enable(combo, false);
    form.Show(text, true);
  }
}

void FormSeams::SetUnitButtons() {
  FormControls& form = view.form;
  form.Enable(ControlId::UnitDownButton, view.activeUnit > 1);
  form.Enable(ControlId::UnitUpButton, view.activeUnit < kUnitCount);
  const bool programMode = view.doc.programMode != 0;
  form.Enable(ControlId::ProgramDownButton, programMode && view.doc.currentProgram > 1);
  form.Enable(ControlId::ProgramUpButton, programMode && view.doc.currentProgram < kProgramCount);
}

std::string FormSeams::StepText(uint16_t code) const {
  if (code == kStepLineOn) return LoadString(ids::kLineOn);
  if (code == kStepLineOff) return LoadString(ids::kLineOff);
  if (code >= 1 && code <= kUnitCount) {
    if (view.doc.showUnitNames == 1) return view.doc.unit(code).name.substr(0, 6);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "No.%2d ", code);
    return buffer;
  }
  return {};
}

}  // namespace hvt
