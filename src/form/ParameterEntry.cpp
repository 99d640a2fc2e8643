#include "form/ParameterEntry.h"

#include <algorithm>
#include <cstdlib>

#include "form/FormWiring.h"
#include "model/StringTable.h"

namespace hvt {

namespace {

using C = ControlId;
using Field = ParameterEntry::Field;

// A box rewriting itself (bound cut, restored text, step rule) runs its
// change handling again; each rewrite settles in one more pass, so a deeper
// nesting can only come from damaged values and is cut off.
constexpr int kMaxDepth = 8;

bool IsVoltage(Field f) {
  return f == Field::VoltageStart || f == Field::VoltageStop || f == Field::VoltageStep;
}

int32_t Distance(int32_t a, int32_t b) {
  const long long d = std::llabs(static_cast<long long>(a) - b);
  return static_cast<int32_t>(std::min<long long>(d, INT32_MAX));
}

ControlId SpinOf(ControlId edit) {
  switch (edit) {
    case C::VoltageEdit:
      return C::VoltageSpin;
    case C::VoltageStopEdit:
      return C::VoltageStopSpin;
    case C::VoltageStepEdit:
      return C::VoltageStepSpin;
    case C::TriggerEdit:
      return C::TriggerSpin;
    case C::TriggerStopEdit:
      return C::TriggerStopSpin;
    case C::TriggerStepEdit:
      return C::TriggerStepSpin;
    case C::InjectionTimeEdit:
      return C::InjectionTimeSpin;
    case C::IntervalTimeEdit:
      return C::IntervalTimeSpin;
    default:
      return C::ProgramTimesSpin;
  }
}

int32_t UnitRecord::*MemberOf(Field f) {
  switch (f) {
    case Field::VoltageStart:
      return &UnitRecord::voltage;
    case Field::VoltageStop:
      return &UnitRecord::voltageStop;
    case Field::VoltageStep:
      return &UnitRecord::voltageStep;
    case Field::VariableStart:
      return &UnitRecord::variable;
    case Field::VariableStop:
      return &UnitRecord::variableStop;
    case Field::VariableStep:
      return &UnitRecord::variableStep;
    case Field::PhaseStart:
      return &UnitRecord::phase;
    case Field::PhaseStop:
      return &UnitRecord::phaseStop;
    case Field::PhaseStep:
      return &UnitRecord::phaseStep;
    case Field::InjectionTime:
      return &UnitRecord::injectionTime;
    case Field::IntervalTime:
      return &UnitRecord::intervalTime;
    case Field::ProgramTimes:
      return nullptr;
  }
  return nullptr;
}

bool ValidUnit(int n) { return n >= 1 && n <= kUnitCount; }

}  // namespace

bool ParameterEntry::IsNumericEdit(ControlId id) {
  const int n = static_cast<int>(id);
  return n >= static_cast<int>(C::VoltageEdit) && n <= static_cast<int>(C::ProgramTimesEdit);
}

std::optional<ControlId> ParameterEntry::EditOfSpin(ControlId spin) {
  for (int n = static_cast<int>(C::VoltageEdit); n <= static_cast<int>(C::ProgramTimesEdit); ++n) {
    const auto edit = static_cast<ControlId>(n);
    if (SpinOf(edit) == spin) return edit;
  }
  return std::nullopt;
}

std::optional<Field> ParameterEntry::FieldOf(ControlId edit) const {
  const bool variable = with.state.workingUnit.triggerMode == 1;
  switch (edit) {
    case C::VoltageEdit:
      return Field::VoltageStart;
    case C::VoltageStopEdit:
      return Field::VoltageStop;
    case C::VoltageStepEdit:
      return Field::VoltageStep;
    case C::TriggerEdit:
      return variable ? Field::VariableStart : Field::PhaseStart;
    case C::TriggerStopEdit:
      return variable ? Field::VariableStop : Field::PhaseStop;
    case C::TriggerStepEdit:
      return variable ? Field::VariableStep : Field::PhaseStep;
    case C::InjectionTimeEdit:
      return Field::InjectionTime;
    case C::IntervalTimeEdit:
      return Field::IntervalTime;
    case C::ProgramTimesEdit:
      return Field::ProgramTimes;
    default:
      return std::nullopt;
  }
}

form::NumberForm ParameterEntry::FormOf(Field field) {
  switch (field) {
    case Field::VoltageStart:
    case Field::VoltageStop:
    case Field::VoltageStep:
      return form::kVoltageForm;
    case Field::VariableStart:
    case Field::VariableStop:
    case Field::VariableStep:
    case Field::InjectionTime:
      return {4, 0};
    default:
      return {3, 0};
  }
}

int32_t ParameterEntry::UpperBound(Field field) const {
  const UnitRecord& w = with.state.workingUnit;
  int32_t bound = 0;
  switch (field) {
    case Field::VoltageStart:
    case Field::VoltageStop:
      bound = with.state.voltageLimit;
      break;
    case Field::VoltageStep:
      bound = Distance(w.voltageStop, w.voltage);
      break;
    case Field::VariableStart:
    case Field::VariableStop:
      bound = 999;
      break;
    case Field::VariableStep:
      bound = Distance(w.variableStop, w.variable);
      break;
    case Field::PhaseStart:
    case Field::PhaseStop:
      bound = 360;
      break;
    case Field::PhaseStep:
      bound = Distance(w.phaseStop, w.phase);
      break;
    case Field::InjectionTime:
      bound = 9999;
      break;
    case Field::IntervalTime:
    case Field::ProgramTimes:
      bound = 999;
      break;
  }
  // A bound below 0 (a damaged instrument maximum) would put a text into
  // the box that fails its own form.
  return std::max(bound, 0);
}

int32_t ParameterEntry::LowerBound(Field field) const {
  const UnitRecord& w = with.state.workingUnit;
  switch (field) {
    case Field::VoltageStart:
    case Field::VoltageStop:
      return 1;
    case Field::VoltageStep:
      return w.voltage == w.voltageStop ? 0 : 1;
    case Field::VariableStart:
    case Field::VariableStop:
      return with.doc.minVariable;
    case Field::PhaseStart:
    case Field::PhaseStop:
    case Field::IntervalTime:
      return 0;
    default:
      return 1;
  }
}

int32_t& ParameterEntry::Working(Field field) {
  if (field == Field::ProgramTimes) return with.state.workingTimes;
  return with.state.workingUnit.*MemberOf(field);
}

void ParameterEntry::SetEditText(ControlId edit, const std::string& text) {
  with.form.SetText(edit, text);
  OnChange(edit);
}

void ParameterEntry::OnFocusGained(ControlId edit) {
  if (auto field = FieldOf(edit)) lastText[Index(*field)] = with.form.Text(edit);
}

std::string ParameterEntry::RestoreText(Field field) {
  const form::NumberForm numberForm = FormOf(field);
  const std::string& last = lastText[Index(field)];
  if (form::PassesForm(last, numberForm)) return last;
  // The box held something else when it got the focus (a remaining time,
  // say): the working value stands in.
  const std::string value = form::ValueText(Working(field), IsVoltage(field));
  return form::PassesForm(value, numberForm) ? value : std::string();
}

void ParameterEntry::OnChange(ControlId edit) {
  const auto field = FieldOf(edit);
  if (!field) return;
  // While running, these two boxes show remaining times.
  if ((*field == Field::InjectionTime || *field == Field::IntervalTime) && with.run.RunActive())
    return;
  if (depth >= kMaxDepth) return;
  ++depth;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{depth};

  const bool voltage = IsVoltage(*field);
  const std::string text = with.form.Text(edit);
  if (!form::PassesForm(text, FormOf(*field))) {
    SetEditText(edit, RestoreText(*field));
    return;
  }
  const int32_t value = form::TextValue(text, voltage);
  const int32_t upper = UpperBound(*field);
  if (value > upper) {
    SetEditText(edit, form::ValueText(upper, voltage));
    return;
  }
  lastText[Index(*field)] = text;
  with.form.SetSpinPosition(SpinOf(edit), value);
  Store(*field, value);
  FollowUp(*field, value);
}

void ParameterEntry::Store(Field field, int32_t value) {
  CPELKDoc& doc = with.doc;
  if (field == Field::ProgramTimes) {
    // Compared with the program shown, not with the working copy: showing
    // another program sets this box, and that is no change of the document.
    with.state.workingTimes = value;
    if (doc.currentProgram < 1 || doc.currentProgram > kProgramCount) return;
    int32_t& times = doc.program(doc.currentProgram).times;
    if (times != value) {
      times = value;
      doc.SetModifiedFlag();
    }
    return;
  }
  int32_t& working = Working(field);
  const bool changed = working != value;
  if (changed) {
    working = value;
    doc.SetModifiedFlag();
  }
  if (!ValidUnit(with.run.ActiveUnit())) return;
  const bool always = field != Field::InjectionTime && field != Field::IntervalTime;
  if (always || changed) doc.unit(with.run.ActiveUnit()).*MemberOf(field) = value;
}

void ParameterEntry::FollowUp(Field field, int32_t value) {
  switch (field) {
    case Field::VoltageStart:
      if (!with.run.RunActive())
        with.run.SetSequenceLabel(kSweepVoltage, VoltageDisplayText(value));
      VoltageStepRule();
      ShowVoltageStepHint();
      break;
    case Field::VoltageStop:
      VoltageStepRule();
      ShowVoltageStepHint();
      break;
    case Field::VariableStart:
    case Field::PhaseStart:
      if (!with.run.RunActive()) with.run.SetSequenceLabel(kSweepTrigger, std::to_string(value));
      TriggerStepRule();
      ShowTriggerStepHint();
      break;
    case Field::VariableStop:
    case Field::PhaseStop:
      TriggerStepRule();
      ShowTriggerStepHint();
      break;
    case Field::ProgramTimes:
      with.form.SetText(C::TimesLeft, std::to_string(value));
      break;
    default:
      break;
  }
}

void ParameterEntry::VoltageStepRule() {
  const UnitRecord& w = with.state.workingUnit;
  const int32_t d = Distance(w.voltageStop, w.voltage);
  if (d < w.voltageStep || (d != 0 && w.voltageStep == 0)) {
    SetEditText(C::VoltageStepEdit, VoltageDisplayText(d));
  }
}

void ParameterEntry::TriggerStepRule() {
  const UnitRecord& w = with.state.workingUnit;
  const bool variable = w.triggerMode == 1;
  const int32_t d =
      variable ? Distance(w.variableStop, w.variable) : Distance(w.phaseStop, w.phase);
  const int32_t step = variable ? w.variableStep : w.phaseStep;
  if (d < step || (d != 0 && step == 0)) SetEditText(C::TriggerStepEdit, std::to_string(d));
}

void ParameterEntry::OnFocusLost(ControlId edit) {
  const auto field = FieldOf(edit);
  if (!field) return;
  if ((*field == Field::InjectionTime || *field == Field::IntervalTime) && with.run.RunActive())
    return;
  const std::string text = with.form.Text(edit);
  if (!form::PassesForm(text, FormOf(*field))) return;
  const bool voltage = IsVoltage(*field);
  const int32_t value = std::max(form::TextValue(text, voltage), LowerBound(*field));
  const std::string shown = form::ValueText(value, voltage);
  if (voltage || shown != text) SetEditText(edit, shown);
}

void ParameterEntry::OnSpin(ControlId spin, int position) {
  const auto edit = EditOfSpin(spin);
  if (!edit) return;
  MoveFocus(*edit);
  const bool voltage =
      spin == C::VoltageSpin || spin == C::VoltageStopSpin || spin == C::VoltageStepSpin;
  SetEditText(*edit, form::ValueText(position, voltage));
}

void ParameterEntry::MoveFocus(ControlId to) {
  const std::optional<ControlId> from = with.form.FocusedControl();
  if (from == to) return;
  if (from && IsNumericEdit(*from)) OnFocusLost(*from);
  with.form.Focus(to);
  if (IsNumericEdit(to)) OnFocusGained(to);
}

namespace {

// A tooltip's text from the table, its %1 and %2 filled in.
std::string Hint(TextId id, const std::string& first, const std::string& second = {}) {
  std::string text = LoadString(id);
  for (const auto& [mark, value] : {std::pair{"%1", &first}, std::pair{"%2", &second}}) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
      text.replace(at, 2, *value), at += value->size();
  }
  return text;
}

}  // namespace

void ParameterEntry::ApplyVoltageLimit(int unitNumber) {
  if (!ValidUnit(unitNumber)) return;
  with.state.voltageLimit = with.doc.VoltageLimit(with.doc.unit(unitNumber).terminator);
  FormControls& form = with.form;
  form.SetSpinRange(C::VoltageSpin, 1, with.state.voltageLimit);
  form.SetSpinRange(C::VoltageStopSpin, 1, with.state.voltageLimit);
  const std::string tip =
      Hint(TextId::VoltageRangeHint, VoltageDisplayText(with.state.voltageLimit));
  form.SetToolTip(C::VoltageEdit, tip);
  form.SetToolTip(C::VoltageStopEdit, tip);
}

void ParameterEntry::ShowVoltageStepHint() {
  const UnitRecord& w = with.state.workingUnit;
  const int32_t d = Distance(w.voltageStop, w.voltage);
  const std::string dText = VoltageDisplayText(d);
  const bool wide = d > 1;
  with.form.SetToolTip(C::VoltageStepEdit,
                       wide ? Hint(TextId::VoltageStepHint, dText) : dText + " - " + dText + "kV");
  // The step spin stays locked while a run holds the form.
  with.form.Enable(C::VoltageStepSpin, wide && w.voltageSweep != 0 && !with.run.RunActive());
}

void ParameterEntry::ShowTriggerStepHint() {
  const UnitRecord& w = with.state.workingUnit;
  const bool variable = w.triggerMode == 1;
  const int32_t d =
      variable ? Distance(w.variableStop, w.variable) : Distance(w.phaseStop, w.phase);
  const std::string unit = LoadString(variable ? TextId::Ms : TextId::Deg);
  const std::string dText = std::to_string(d);
  const bool wide = d > 1;
  with.form.SetToolTip(C::TriggerStepEdit, wide ? Hint(TextId::TriggerStepHint, dText, unit)
                                                : dText + " - " + dText + unit);
  with.form.Enable(C::TriggerStepSpin, wide && w.triggerSweep != 0 && !with.run.RunActive());
}

void ParameterEntry::ShowTriggerMode(int32_t mode) {
  FormControls& form = with.form;
  form.SetToolTip(C::TriggerEdit, "");
  form.SetToolTip(C::TriggerStopEdit, "");
  const UnitRecord w = with.state.workingUnit;  // the boxes write back into the working copy
  std::string tip;
  std::string unit;
  if (mode == 1) {
    SetEditText(C::TriggerEdit, std::to_string(w.variable));
    SetEditText(C::TriggerStopEdit, std::to_string(w.variableStop));
    SetEditText(C::TriggerStepEdit, std::to_string(w.variableStep));
    tip = Hint(TextId::VariableRangeHint, std::to_string(with.doc.minVariable));
    unit = LoadString(TextId::Ms);
  } else {
    SetEditText(C::TriggerEdit, std::to_string(w.phase));
    SetEditText(C::TriggerStopEdit, std::to_string(w.phaseStop));
    SetEditText(C::TriggerStepEdit, std::to_string(w.phaseStep));
    tip = LoadString(TextId::PhaseRangeHint);
    unit = LoadString(TextId::Deg);
  }
  form.SetToolTip(C::TriggerEdit, tip);
  form.SetToolTip(C::TriggerStopEdit, tip);
  for (ControlId id : {C::TriggerUnit, C::TriggerStopUnit, C::TriggerStepUnit})
    form.SetText(id, unit);
}

void ParameterEntry::SetTriggerSpins(int32_t mode) {
  FormControls& form = with.form;
  const UnitRecord& w = with.state.workingUnit;
  if (mode == 1) {
    form.SetSpinRange(C::TriggerSpin, with.doc.minVariable, 999);
    form.SetSpinRange(C::TriggerStopSpin, with.doc.minVariable, 999);
    form.SetSpinRange(C::TriggerStepSpin, 1, 999);
    form.SetSpinPosition(C::TriggerSpin, w.variable);
    form.SetSpinPosition(C::TriggerStopSpin, w.variableStop);
    form.SetSpinPosition(C::TriggerStepSpin, w.variableStep);
  } else {
    form.SetSpinRange(C::TriggerSpin, 0, 360);
    form.SetSpinRange(C::TriggerStopSpin, 0, 360);
    form.SetSpinRange(C::TriggerStepSpin, 1, 360);
    form.SetSpinPosition(C::TriggerSpin, w.phase);
    form.SetSpinPosition(C::TriggerStopSpin, w.phaseStop);
    form.SetSpinPosition(C::TriggerStepSpin, w.phaseStep);
  }
}

}  // namespace hvt
