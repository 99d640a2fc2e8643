#include "form/Selections.h"

#include <algorithm>
#include <array>

#include "form/FormTables.h"
#include "form/FormWiring.h"
#include "model/StringTable.h"

namespace hvt {

namespace {

using C = ControlId;

bool ValidUnit(int n) { return n >= 1 && n <= kUnitCount; }

// The form's names of the six sweep parameters: the document's own names
// come from the report's texts, which stay English in the Japanese edition.
constexpr TextId kSweepNameIds[6] = {TextId::SweepPolarity,  TextId::SweepPulseWidth,
                                     TextId::SweepVoltage,   TextId::SweepTrigger,
                                     TextId::SweepInjection, TextId::SweepReturn};

struct FlagRow {
  ControlId check;
  int32_t UnitRecord::*flag;
  int parameter;
  std::vector<ControlId> controls;  // enabled with the flag
  bool counts;                      // in sweepCount
  bool orders;                      // changes the sweep order
};

const std::vector<FlagRow>& FlagRows() {
  static const std::vector<FlagRow> rows{
      {C::PolaritySweepCheck,
       &UnitRecord::polaritySweep,
       kSweepPolarity,
       {C::PolarityStopCombo},
       true,
       true},
      {C::WidthSweepCheck, &UnitRecord::widthSweep, kSweepWidth, {C::WidthStopCombo}, true, true},
      {C::VoltageSweepCheck,
       &UnitRecord::voltageSweep,
       kSweepVoltage,
       {C::VoltageStopEdit, C::VoltageStopSpin, C::VoltageStepEdit},
       true,
       true},
      {C::TriggerSweepCheck,
       &UnitRecord::triggerSweep,
       kSweepTrigger,
       {C::TriggerStopEdit, C::TriggerStopSpin, C::TriggerStepEdit},
       true,
       true},
      {C::InjectionSweepCheck,
       &UnitRecord::injectionSweep,
       kSweepInjection,
       {C::InjectionStopCombo},
       true,
       false},
      {C::ReturnSweepCheck,
       &UnitRecord::returnSweep,
       kSweepReturn,
       {C::ReturnStopCombo},
       false,
       false},
  };
  return rows;
}

// The control whose text stands for a sweep parameter.
constexpr ControlId kParameterControls[6] = {C::PolarityCombo,      C::WidthCombo,
                                             C::VoltageEdit,        C::TriggerEdit,
                                             C::InjectionLineCombo, C::ReturnLineCombo};

// Store one field of the active unit; the document is marked modified only
// when the stored value really changes (and `mark` allows it).
void StoreField(FormWiring& with, int32_t UnitRecord::*field, int32_t value, bool mark = true) {
  with.state.workingUnit.*field = value;
  if (!ValidUnit(with.run.ActiveUnit())) return;
  int32_t& stored = with.doc.unit(with.run.ActiveUnit()).*field;
  if (stored == value) return;
  stored = value;
  if (mark) with.doc.SetModifiedFlag();
}

}  // namespace

UnitRecord* Selections::ActiveUnit() {
  return ValidUnit(with.run.ActiveUnit()) ? &with.doc.unit(with.run.ActiveUnit()) : nullptr;
}

void Selections::SyncOrder() {
  if (UnitRecord* u = ActiveUnit()) with.state.workingUnit.sweepOrder = u->sweepOrder;
}

int Selections::LastLine() const { return std::clamp(with.doc.lastLine, 1, 5); }

std::vector<std::string> Selections::InjectionItems() const {
  std::vector<std::string> items;
  for (int code = 0; code < LastLine(); ++code)
    items.push_back(with.doc.lineNames[static_cast<size_t>(code)]);
  return items;
}

std::vector<std::string> Selections::WidthItems() const {
  std::vector<std::string> items;
  const int last = std::min(with.doc.widthLast, 8);
  for (int i = 0; i <= last; ++i) {
    const int32_t ns = with.doc.widthTable[static_cast<size_t>(i)];
    items.push_back(ns == -1 ? LoadString(TextId::Triangle) : std::to_string(ns));
  }
  return items;
}

std::string Selections::ParameterText(int parameter) const {
  if (parameter < 0 || parameter > 5) return {};
  return with.form.Text(kParameterControls[parameter]);
}

int32_t Selections::CountedFlags(const UnitRecord& u) {
  return (u.polaritySweep != 0) + (u.widthSweep != 0) + (u.voltageSweep != 0) +
         (u.triggerSweep != 0) + (u.injectionSweep != 0);
}

bool Selections::SweepOrderSound(const UnitRecord& u) {
  std::array<bool, 6> seen{};
  for (int32_t p : u.sweepOrder) {
    if (p < 0 || p > 5 || seen[static_cast<size_t>(p)]) return false;
    seen[static_cast<size_t>(p)] = true;
  }
  return u.sweepCount == CountedFlags(u);
}

// A damaged file can hold any order and count; the form's order rules need a
// permutation whose last sweepCount levels are the swept parameters. The
// swept ones keep their relative order at the inner end, the others theirs
// outside it.
void Selections::RepairSweepOrder(UnitRecord& u) {
  if (SweepOrderSound(u)) return;
  const int32_t flags[6] = {u.polaritySweep, u.widthSweep,     u.voltageSweep,
                            u.triggerSweep,  u.injectionSweep, 0};
  std::vector<int32_t> seen;
  for (int32_t p : u.sweepOrder) {
    if (p >= 0 && p <= 5 && std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
  }
  for (int32_t p : UnitRecord{}.sweepOrder) {
    if (std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
  }
  std::vector<int32_t> order;
  for (int32_t p : seen)
    if (!flags[p]) order.push_back(p);
  for (int32_t p : seen)
    if (flags[p]) order.push_back(p);
  std::copy(order.begin(), order.end(), u.sweepOrder.begin());
  u.sweepCount = CountedFlags(u);
  with.doc.SetModifiedFlag();
}

void Selections::OnPolarity(int index) {
  if (index < 0 || index > 1) return;
  // This handler works on the current unit (the same as the active one
  // whenever the combo can be used).
  const int n = ValidUnit(with.doc.currentUnit) ? with.doc.currentUnit : with.run.ActiveUnit();
  if (!ValidUnit(n)) return;
  UnitRecord& u = with.doc.unit(n);
  with.state.workingUnit.polarity = index;
  if (u.polarity != index) {
    u.polarity = index;
    with.doc.SetModifiedFlag();
  }
  with.run.SetSequenceLabel(kSweepPolarity, with.form.Text(C::PolarityCombo));
  with.form.SelectItem(C::PolarityStopCombo, 1 - index);
  with.state.workingUnit.polarityStop = 1 - index;
  u.polarityStop = 1 - index;  // always the opposite; no change of its own
}

void Selections::OnPolarityStop(int index) {
  if (index < 0 || index > 1) return;
  StoreField(with, &UnitRecord::polarityStop, index);
  with.form.SelectItem(C::PolarityCombo, 1 - index);
  with.run.SetSequenceLabel(kSweepPolarity, with.form.Text(C::PolarityCombo));
}

void Selections::OnWidth(int index) {
  if (index < 0 || index > std::min(with.doc.widthLast, 8)) return;
  StoreField(with, &UnitRecord::widthIndex, index);
  with.run.SetSequenceLabel(kSweepWidth, with.form.Text(C::WidthCombo));
}

void Selections::OnWidthStop(int index) {
  if (index < 0 || index > std::min(with.doc.widthLast, 8)) return;
  StoreField(with, &UnitRecord::widthIndexStop, index);
}

void Selections::OnInjectionLine(int index) {
  const int last = LastLine();
  if (index < 0 || index >= last) return;
  UnitRecord& w = with.state.workingUnit;
  StoreField(with, &UnitRecord::injectionLine, index);
  with.run.SetSequenceLabel(kSweepInjection, with.form.Text(C::InjectionLineCombo));
  if (index == w.injectionLineStop) {
    const int next = (index + 1) % last;
    with.form.SelectItem(C::InjectionStopCombo, next);
    w.injectionLineStop = next;  // the document keeps its stop value here
  }
  FillReturnCombo(index);
  const int plug = last - 1;
  if (index == w.returnLine || index == plug) {
    // The return line becomes "SG", the last entry.
    with.form.SelectItem(C::ReturnLineCombo, static_cast<int>(ReturnItems(index).size()) - 1);
    OnReturnLine();
  } else if (w.returnLine >= 0 && w.returnLine <= last) {
    with.form.SetText(C::ReturnLineCombo, with.doc.lineNames[static_cast<size_t>(w.returnLine)]);
  } else {
    with.form.SelectItem(C::ReturnLineCombo, -1);
  }
  FillTerminatorCombo();
}

void Selections::OnInjectionStop(int index) {
  if (index < 0 || index >= LastLine()) return;
  StoreField(with, &UnitRecord::injectionLineStop, index);
}

void Selections::OnReturnLine() {
  const std::string text = with.form.Text(C::ReturnLineCombo);
  for (int code = 0; code <= LastLine(); ++code) {
    if (with.doc.lineNames[static_cast<size_t>(code)] == text) {
      StoreField(with, &UnitRecord::returnLine, code);
      with.run.SetSequenceLabel(kSweepReturn, text);
      return;
    }
  }
}

std::vector<std::string> Selections::ReturnItems(int32_t injectionLine) const {
  const int last = LastLine();
  std::vector<std::string> items;
  for (int code = 0; code <= last; ++code) {
    if (code == last - 1) continue;  // "PLUG" is no return line
    if (code == injectionLine && injectionLine != last - 1) continue;
    items.push_back(with.doc.lineNames[static_cast<size_t>(code)]);
  }
  return items;
}

void Selections::FillReturnCombo(int32_t injectionLine) {
  with.form.SetItems(C::ReturnLineCombo, ReturnItems(injectionLine));
}

std::vector<std::string> Selections::TerminatorItems() const {
  const bool plug = with.state.workingUnit.injectionLine == LastLine() - 1;
  // Open, internal, then the external terminators.
  std::vector<std::string> items{
      LoadString(TextId::TerminatorOpen),
      LoadString(plug ? TextId::TerminatorInt60 : TextId::TerminatorInt53)};
  if (with.doc.builtInTerminator) items.push_back(LoadString(TextId::TerminatorExt50));
  if (plug) items.push_back(LoadString(TextId::TerminatorExt60));
  return items;
}

void Selections::FillTerminatorCombo() {
  const std::vector<std::string> items = TerminatorItems();
  FormControls& form = with.form;
  form.SetItems(C::TerminatorCombo, items);
  const int32_t count = static_cast<int32_t>(items.size());
  if (with.state.workingUnit.terminator < 0 || with.state.workingUnit.terminator >= count) {
    // The entry is gone with the line change: back to Open, which is no
    // change made by the operator.
    StoreField(with, &UnitRecord::terminator, kTerminatorOpen, false);
  }
  form.SelectItem(C::TerminatorCombo, with.state.workingUnit.terminator);
  with.entry.ApplyVoltageLimit(with.run.ActiveUnit());
}

void Selections::OnTerminator(int index) {
  UnitRecord* u = ActiveUnit();
  if (!u || index < 0 || index >= static_cast<int>(TerminatorItems().size())) return;
  if (index == u->terminator) return;
  u->terminator = index;
  with.state.workingUnit.terminator = index;
  with.entry.ApplyVoltageLimit(with.run.ActiveUnit());
  // Values above the new limit are cut to it.
  with.entry.OnChange(C::VoltageEdit);
  with.entry.OnChange(C::VoltageStopEdit);
  with.doc.SetModifiedFlag();
}

void Selections::OnSweepCheck(ControlId check) {
  const auto& rows = FlagRows();
  const auto row =
      std::find_if(rows.begin(), rows.end(), [&](const FlagRow& r) { return r.check == check; });
  if (row == rows.end()) return;
  FormControls& form = with.form;
  const bool on = form.IsChecked(check);
  for (ControlId id : row->controls) form.Enable(id, on);
  UnitRecord& w = with.state.workingUnit;
  const bool changed = (w.*(row->flag) != 0) != on;
  StoreField(with, row->flag, on ? 1 : 0);
  if (row->counts && changed) {
    w.sweepCount = std::clamp(w.sweepCount + (on ? 1 : -1), 0, 6);
    StoreField(with, &UnitRecord::sweepCount, w.sweepCount);
    with.state.sweepLevels = w.sweepCount;
  }
  if (row->parameter == kSweepVoltage) with.entry.ShowVoltageStepHint();
  if (row->parameter == kSweepTrigger) with.entry.ShowTriggerStepHint();
  if (row->orders && changed) {
    if (on) {
      std::string text = ParameterText(row->parameter);
      if (row->parameter == kSweepPolarity)
        text = LoadString(w.polarity == 0 ? TextId::Plus : TextId::Minus);
      AddToSweepOrder(row->parameter, text);
    } else {
      RemoveFromSweepOrder(row->parameter);
      SyncOrder();
    }
  }
}

void Selections::AddToSweepOrder(int parameter, const std::string& text) {
  UnitRecord* u = ActiveUnit();
  if (!u) return;
  FillSequenceCombos();
  auto& order = u->sweepOrder;
  const int i = std::clamp(6 - with.state.workingUnit.sweepCount, 0, 5);
  FormControls& form = with.form;
  form.SetText(Offset(C::SequenceValue0, i), text);
  const int32_t q = order[static_cast<size_t>(i)];
  const auto found = std::find(order.begin(), order.end(), parameter);
  if (found != order.end() && q >= 0 && q <= 5) {
    const int j = static_cast<int>(found - order.begin());
    form.SetText(Offset(C::SequenceValue0, j), ParameterText(q));
    order[static_cast<size_t>(j)] = q;
    form.SetText(Offset(C::SequenceCombo0, j), ParameterName(q));
  }
  order[static_cast<size_t>(i)] = parameter;
  SyncOrder();
  ShowSequenceRows(1);
}

void Selections::ShowSequenceRows(int32_t active) {
  if (!ValidUnit(with.run.ActiveUnit())) return;
  FormControls& form = with.form;
  const UnitRecord& u = with.doc.unit(with.run.ActiveUnit());
  for (int k = 0; k < 6; ++k) {
    const int row = 5 - k;
    const ControlId combo = Offset(C::SequenceCombo0, row);
    const ControlId text = Offset(C::SequenceText0, row);
    const int32_t p = u.sweepOrder[static_cast<size_t>(row)];
    if (p >= 0 && p < 6) form.SetText(combo, ParameterName(p));
    const bool inUse = k < u.sweepCount && active == 1;
    form.Enable(combo, inUse);
    if (!inUse) form.SetText(text, form.Text(combo));
    form.Show(text, !inUse);
    if (k < 2) {
      const ControlId arrows = k == 0 ? C::ArrowBottom0 : C::ArrowAbove0;
      for (int a = 0; a < 3; ++a) form.Show(Offset(arrows, a), inUse);
    }
  }
}

void Selections::OnSequenceCombo(int row) {
  UnitRecord* u = ActiveUnit();
  if (!u || row < 0 || row > 5) return;
  FormControls& form = with.form;
  const std::string name = form.Text(Offset(C::SequenceCombo0, row));
  int32_t p = 0;
  while (p < 6 && ParameterName(p) != name) ++p;
  if (p == 6 || name.empty()) return;
  form.SetText(Offset(C::SequenceValue0, row), ParameterText(p));
  auto& order = u->sweepOrder;
  const int32_t q = order[static_cast<size_t>(row)];
  if (q == p) return;
  const auto held = std::find(order.begin(), order.end(), p);
  if (held == order.end() || q < 0 || q > 5) return;  // only a permutation is exchanged
  const int j = static_cast<int>(held - order.begin());
  order[static_cast<size_t>(j)] = q;
  form.SetText(Offset(C::SequenceValue0, j), ParameterText(q));
  form.SetText(Offset(C::SequenceCombo0, j), ParameterName(q));
  order[static_cast<size_t>(row)] = p;
  SyncOrder();
  with.doc.SetModifiedFlag();
}

void Selections::OnEndless(ControlId check) {
  const bool on = with.form.IsChecked(check);
  const bool injection = check == C::InjectionEndlessCheck;
  StoreField(with, injection ? &UnitRecord::injectionEndless : &UnitRecord::intervalEndless,
             on ? 1 : 0);
  with.form.Enable(injection ? C::InjectionTimeEdit : C::IntervalTimeEdit, !on);
  with.form.Enable(injection ? C::InjectionTimeSpin : C::IntervalTimeSpin, !on);
}

void Selections::OnLineOption() {
  StoreField(with, &UnitRecord::lineOption, with.form.IsChecked(C::LineOptionCheck) ? 1 : 0);
}

void Selections::OnLineLabel() {
  if (with.state.workingUnit.triggerMode != 1) return;
  const int32_t value = with.state.workingUnit.lineOption ? 0 : 1;
  with.form.Check(C::LineOptionCheck, value != 0);
  StoreField(with, &UnitRecord::lineOption, value);
}

void Selections::OnProgramCheck() {
  const int32_t value = with.form.IsChecked(C::ProgramCheck) ? 1 : 0;
  if (with.doc.programMode != value) {
    with.doc.programMode = value;
    with.doc.SetModifiedFlag();
  }
  with.layout.EnableProgramArea();
}

void Selections::OnPhase() {
  if (with.state.workingUnit.triggerMode != 0) StoreField(with, &UnitRecord::triggerMode, 0);
  with.entry.SetTriggerSpins(0);
  with.entry.ShowTriggerMode(0);
  if (with.state.workingUnit.lineOption == 0) {
    // Phase always runs with LINE; not a change of the operator's own.
    StoreField(with, &UnitRecord::lineOption, 1, false);
    with.form.Check(C::LineOptionCheck, true);
  }
  with.form.Enable(C::LineOptionCheck, false);
  ShowRadioPairs();
}

void Selections::OnVariable() {
  if (with.state.workingUnit.triggerMode != 1) StoreField(with, &UnitRecord::triggerMode, 1);
  with.entry.SetTriggerSpins(1);
  with.entry.ShowTriggerMode(1);
  with.form.Enable(C::LineOptionCheck, true);
  ShowRadioPairs();
}

void Selections::ShowRadioPairs() {
  const bool variable = with.state.workingUnit.triggerMode == 1;
  with.form.Check(C::PhaseRadio, !variable);
  with.form.Check(C::VariableRadio, variable);
  with.form.Check(C::UnitNameRadio, with.doc.showUnitNames == 1);
  with.form.Check(C::UnitNoRadio, with.doc.showUnitNames != 1);
}

void Selections::OnUnitNames(bool names) {
  const int32_t value = names ? 1 : 0;
  if (with.doc.showUnitNames != value) {
    with.doc.showUnitNames = value;
    with.doc.SetModifiedFlag();
  }
  ShowRadioPairs();
  with.lists.ShowProgram();
}

void Selections::SelectUnit(int unitNumber) {
  CPELKDoc& doc = with.doc;
  if (!ValidUnit(unitNumber)) unitNumber = 1;  // a damaged current unit number
  UnitRecord& u = doc.unit(unitNumber);
  RepairSweepOrder(u);
  with.state.workingUnit = u;
  with.state.testModeTab = u.testMode == 1 ? 1 : 0;
  with.state.sweepLevels = u.sweepCount;
  with.state.voltageLimit = doc.VoltageLimit(u.terminator);
  with.state.workingTimes = doc.CurrentProgram().times;
  with.run.SetProgramTimes(doc.CurrentProgram().times);
  with.run.MakeActive(unitNumber);
}

void Selections::RefreshForm() {
  FormControls& form = with.form;
  ParameterEntry& entry = with.entry;
  const UnitRecord w = with.state.workingUnit;
  const int32_t mode = w.triggerMode == 1 ? 1 : 0;

  form.SetSpinPosition(C::VoltageSpin, w.voltage);
  form.SetSpinPosition(C::VoltageStopSpin, w.voltageStop);
  form.SetSpinPosition(C::InjectionTimeSpin, w.injectionTime);
  form.SetSpinPosition(C::IntervalTimeSpin, w.intervalTime);

  entry.SetTriggerSpins(mode);
  form.Check(C::VariableRadio, mode == 1);
  form.Check(C::PhaseRadio, mode == 0);

  form.Check(C::PolaritySweepCheck, w.polaritySweep != 0);
  form.Check(C::WidthSweepCheck, w.widthSweep != 0);
  form.Check(C::VoltageSweepCheck, w.voltageSweep != 0);
  form.Check(C::TriggerSweepCheck, w.triggerSweep != 0);
  form.Check(C::InjectionEndlessCheck, w.injectionEndless != 0);
  form.Check(C::IntervalEndlessCheck, w.intervalEndless != 0);
  form.Check(C::LineOptionCheck, w.lineOption != 0);
  form.Enable(C::LineOptionCheck, mode == 1);

  FillTerminatorCombo();

  entry.SetEditText(C::VoltageEdit, VoltageDisplayText(w.voltage));
  entry.SetEditText(C::VoltageStopEdit, VoltageDisplayText(w.voltageStop));
  entry.SetEditText(C::VoltageStepEdit, VoltageDisplayText(with.state.workingUnit.voltageStep));
  entry.ApplyVoltageLimit(with.run.ActiveUnit());
  entry.ShowTriggerMode(mode);

  entry.SetEditText(C::InjectionTimeEdit, std::to_string(w.injectionTime));
  form.Enable(C::InjectionTimeEdit, !w.injectionEndless);
  form.Enable(C::InjectionTimeSpin, !w.injectionEndless);
  entry.SetEditText(C::IntervalTimeEdit, std::to_string(w.intervalTime));
  form.Enable(C::IntervalTimeEdit, !w.intervalEndless);
  form.Enable(C::IntervalTimeSpin, !w.intervalEndless);

  form.SetText(C::UnitName, w.name);

  // Entries outside a combo's list select nothing; the stored value stays.
  form.SelectItem(C::PolarityCombo, w.polarity);
  with.run.SetSequenceLabel(kSweepPolarity, form.Text(C::PolarityCombo));
  form.SelectItem(C::PolarityStopCombo, w.polarityStop);
  form.SelectItem(C::InjectionLineCombo, w.injectionLine);
  with.run.SetSequenceLabel(kSweepInjection, form.Text(C::InjectionLineCombo));
  form.SelectItem(C::InjectionStopCombo, w.injectionLineStop);
  FillReturnCombo(w.injectionLine);
  if (w.returnLine >= 0 && w.returnLine <= LastLine()) {
    form.SetText(C::ReturnLineCombo, with.doc.lineNames[static_cast<size_t>(w.returnLine)]);
  } else {
    form.SelectItem(C::ReturnLineCombo, -1);
  }
  with.run.SetSequenceLabel(kSweepReturn, form.Text(C::ReturnLineCombo));
  form.SelectItem(C::ReturnStopCombo, w.returnLineStop);
  form.SelectItem(C::WidthCombo, w.widthIndex);
  with.run.SetSequenceLabel(kSweepWidth, form.Text(C::WidthCombo));
  form.SelectItem(C::WidthStopCombo, w.widthIndexStop);

  FillSequenceCombos();

  form.SetTabPage(C::ConditionTab, with.state.testModeTab);
  with.layout.ShowTabPage(with.state.testModeTab);

  form.SetText(C::UnitNumberEdit, std::to_string(with.run.ActiveUnit()));

  with.lists.SetUnitButtons();
  with.run.UpdateRunControls();
}

std::string Selections::ParameterName(int parameter) {
  return parameter >= 0 && parameter < 6 ? LoadString(kSweepNameIds[parameter]) : std::string();
}

void Selections::ShowRunUnit(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return;
  const UnitRecord& u = with.doc.unit(unitNumber);
  with.state.sweepLevels = u.sweepCount;
  with.form.SetText(ControlId::UnitNumberEdit, std::to_string(unitNumber));
  with.form.SetText(ControlId::UnitName, u.name);
  FillSequenceCombos();
  ShowSequenceRows(u.testMode);
}

void Selections::FillSequenceCombos() {
  const int32_t active = with.run.ActiveUnit();
  if (!ValidUnit(active)) return;
  const UnitRecord& u = with.doc.unit(active);
  const int32_t flags[6] = {u.polaritySweep, u.widthSweep,     u.voltageSweep,
                            u.triggerSweep,  u.injectionSweep, u.returnSweep};
  std::vector<std::string> all, swept;
  for (int p = 0; p < 6; ++p) {
    all.push_back(LoadString(kSweepNameIds[p]));
    if (flags[p]) swept.push_back(all.back());
  }
  for (int i = 0; i < 6; ++i) {
    const bool shown = i >= 6 - with.state.sweepLevels;
    with.form.SetItems(Offset(ControlId::SequenceCombo0, i), shown ? swept : all);
  }
}

void Selections::RemoveFromSweepOrder(int parameter) {
  FillSequenceCombos();
  const int32_t active = with.run.ActiveUnit();
  if (ValidUnit(active)) {
    auto& order = with.doc.unit(active).sweepOrder;
    int found = -1;
    for (int i = 5; i >= 0; --i) {
      if (order[static_cast<size_t>(i)] == parameter) {
        found = i;
        break;
      }
    }
    const int outside = 5 - with.state.sweepLevels;
    if (found >= 0 && outside >= 0 && outside <= found) {
      for (int j = found; j > outside; --j) {
        order[static_cast<size_t>(j)] = order[static_cast<size_t>(j - 1)];
      }
      order[static_cast<size_t>(outside)] = parameter;
    }
  }
  ShowSequenceRows(with.state.testModeTab);
  with.run.ShowSweepValues(false);
}

}  // namespace hvt
