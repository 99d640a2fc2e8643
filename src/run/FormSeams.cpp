#include "run/FormSeams.h"

#include <cstdio>

#include "model/StringTable.h"
#include "run/CPELKView.h"

namespace hvt {

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
  view.entry.SetEditText(ControlId::ProgramTimesEdit, std::to_string(p.times));
  form.SetText(ControlId::TimesLeft, std::to_string(p.times));
  view.sendTimesLeft = p.times;
}

void FormSeams::FillUnitOverview() {
  for (int n = 1; n <= kUnitCount; ++n) {
    view.form.SetCell(ControlId::UnitOverview, n - 1, view.doc.unit(n).name);
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
