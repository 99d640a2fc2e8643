#include "form/Selections.h"

#include <algorithm>
#include <array>

#include "form/FormTables.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"

namespace hvt {

namespace {

using C = ControlId;

bool ValidUnit(int n) { return n >= 1 && n <= kUnitCount; }

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
void StoreField(CPELKView& view, int32_t UnitRecord::*field, int32_t value, bool mark = true) {
  view.workingUnit.*field = value;
  if (!ValidUnit(view.activeUnit)) return;
  int32_t& stored = view.doc.unit(view.activeUnit).*field;
  if (stored == value) return;
  stored = value;
  if (mark) view.doc.SetModifiedFlag();
}

}  // namespace

UnitRecord* Selections::ActiveUnit() {
  return ValidUnit(view.activeUnit) ? &view.doc.unit(view.activeUnit) : nullptr;
}

void Selections::SyncOrder() {
  if (UnitRecord* u = ActiveUnit()) view.workingUnit.sweepOrder = u->sweepOrder;
}

int Selections::LastLine() const { return std::clamp(view.doc.lastLine, 1, 5); }

std::vector<std::string> Selections::InjectionItems() const {
  std::vector<std::string> items;
  for (int code = 0; code < LastLine(); ++code)
    items.push_back(view.doc.lineNames[static_cast<size_t>(code)]);
  return items;
}

std::vector<std::string> Selections::WidthItems() const {
  std::vector<std::string> items;
  const int last = std::min(view.doc.widthLast, 8);
  for (int i = 0; i <= last; ++i) {
    const int32_t ns = view.doc.widthTable[static_cast<size_t>(i)];
    items.push_back(ns == -1 ? LoadString(ids::kTriangle) : std::to_string(ns));
  }
  return items;
}

std::string Selections::ParameterText(int parameter) const {
  if (parameter < 0 || parameter > 5) return {};
  return view.form.Text(kParameterControls[parameter]);
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
  view.doc.SetModifiedFlag();
}

void Selections::OnPolarity(int index) {
  if (index < 0 || index > 1) return;
  // This handler works on the current unit (the same as the active one
  // whenever the combo can be used).
  const int n = ValidUnit(view.doc.currentUnit) ? view.doc.currentUnit : view.activeUnit;
  if (!ValidUnit(n)) return;
  UnitRecord& u = view.doc.unit(n);
  view.workingUnit.polarity = index;
  if (u.polarity != index) {
    u.polarity = index;
    view.doc.SetModifiedFlag();
  }
  view.sweep.SetSequenceLabel(kSweepPolarity, view.form.Text(C::PolarityCombo));
  view.form.SelectItem(C::PolarityStopCombo, 1 - index);
  view.workingUnit.polarityStop = 1 - index;
  u.polarityStop = 1 - index;  // always the opposite; no change of its own
}

void Selections::OnPolarityStop(int index) {
  if (index < 0 || index > 1) return;
  StoreField(view, &UnitRecord::polarityStop, index);
  view.form.SelectItem(C::PolarityCombo, 1 - index);
  view.sweep.SetSequenceLabel(kSweepPolarity, view.form.Text(C::PolarityCombo));
}

void Selections::OnWidth(int index) {
  if (index < 0 || index > std::min(view.doc.widthLast, 8)) return;
  StoreField(view, &UnitRecord::widthIndex, index);
  view.sweep.SetSequenceLabel(kSweepWidth, view.form.Text(C::WidthCombo));
}

void Selections::OnWidthStop(int index) {
  if (index < 0 || index > std::min(view.doc.widthLast, 8)) return;
  StoreField(view, &UnitRecord::widthIndexStop, index);
}

void Selections::OnInjectionLine(int index) {
  const int last = LastLine();
  if (index < 0 || index >= last) return;
  UnitRecord& w = view.workingUnit;
  StoreField(view, &UnitRecord::injectionLine, index);
  view.sweep.SetSequenceLabel(kSweepInjection, view.form.Text(C::InjectionLineCombo));
  if (index == w.injectionLineStop) {
    const int next = (index + 1) % last;
    view.form.SelectItem(C::InjectionStopCombo, next);
    w.injectionLineStop = next;  // the document keeps its stop value here
  }
  FillReturnCombo(index);
  const int plug = last - 1;
  if (index == w.returnLine || index == plug) {
    // The return line becomes "SG", the last entry.
    view.form.SelectItem(C::ReturnLineCombo, static_cast<int>(ReturnItems(index).size()) - 1);
    OnReturnLine();
  } else if (w.returnLine >= 0 && w.returnLine <= last) {
    view.form.SetText(C::ReturnLineCombo, view.doc.lineNames[static_cast<size_t>(w.returnLine)]);
  } else {
    view.form.SelectItem(C::ReturnLineCombo, -1);
  }
  FillTerminatorCombo();
}

void Selections::OnInjectionStop(int index) {
  if (index < 0 || index >= LastLine()) return;
  StoreField(view, &UnitRecord::injectionLineStop, index);
}

void Selections::OnReturnLine() {
  const std::string text = view.form.Text(C::ReturnLineCombo);
  for (int code = 0; code <= LastLine(); ++code) {
    if (view.doc.lineNames[static_cast<size_t>(code)] == text) {
      StoreField(view, &UnitRecord::returnLine, code);
      view.sweep.SetSequenceLabel(kSweepReturn, text);
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
    items.push_back(view.doc.lineNames[static_cast<size_t>(code)]);
  }
  return items;
}

void Selections::FillReturnCombo(int32_t injectionLine) {
  view.form.SetItems(C::ReturnLineCombo, ReturnItems(injectionLine));
}

std::vector<std::string> Selections::TerminatorItems() const {
  const bool plug = view.workingUnit.injectionLine == LastLine() - 1;
  // Open, internal, then the external terminators.
  std::vector<std::string> items{LoadString(3140), LoadString(plug ? 3142 : 3141)};
  if (view.doc.builtInTerminator) items.push_back(LoadString(3143));
  if (plug) items.push_back(LoadString(3144));
  return items;
}

void Selections::FillTerminatorCombo() {
  const std::vector<std::string> items = TerminatorItems();
  FormControls& form = view.form;
  form.SetItems(C::TerminatorCombo, items);
  const int32_t count = static_cast<int32_t>(items.size());
  if (view.workingUnit.terminator < 0 || view.workingUnit.terminator >= count) {
    // The entry is gone with the line change: back to Open, which is no
    // change made by the operator.
    StoreField(view, &UnitRecord::terminator, kTerminatorOpen, false);
  }
  form.SelectItem(C::TerminatorCombo, view.workingUnit.terminator);
  view.entry.ApplyVoltageLimit(view.activeUnit);
}

void Selections::OnTerminator(int index) {
  UnitRecord* u = ActiveUnit();
  if (!u || index < 0 || index >= static_cast<int>(TerminatorItems().size())) return;
  if (index == u->terminator) return;
  u->terminator = index;
  view.workingUnit.terminator = index;
  view.entry.ApplyVoltageLimit(view.activeUnit);
  // Values above the new limit are cut to it.
  view.entry.OnChange(C::VoltageEdit);
  view.entry.OnChange(C::VoltageStopEdit);
  view.doc.SetModifiedFlag();
}

void Selections::OnSweepCheck(ControlId check) {
  const auto& rows = FlagRows();
  const auto row =
      std::find_if(rows.begin(), rows.end(), [&](const FlagRow& r) { return r.check == check; });
  if (row == rows.end()) return;
  FormControls& form = view.form;
  const bool on = form.IsChecked(check);
  for (ControlId id : row->controls) form.Enable(id, on);
  UnitRecord& w = view.workingUnit;
  const bool changed = (w.*(row->flag) != 0) != on;
  StoreField(view, row->flag, on ? 1 : 0);
  if (row->counts && changed) {
    w.sweepCount = std::clamp(w.sweepCount + (on ? 1 : -1), 0, 6);
    StoreField(view, &UnitRecord::sweepCount, w.sweepCount);
    view.sweepLevels = w.sweepCount;
  }
  if (row->parameter == kSweepVoltage) view.entry.ShowVoltageStepHint();
  if (row->parameter == kSweepTrigger) view.entry.ShowTriggerStepHint();
  if (row->orders && changed) {
    if (on) {
      std::string text = ParameterText(row->parameter);
      if (row->parameter == kSweepPolarity) text = LoadString(w.polarity == 0 ? 3000 : 3001);
      AddToSweepOrder(row->parameter, text);
    } else {
      view.sweep.RemoveFromSweepOrder(row->parameter);
      SyncOrder();
    }
  }
}

void Selections::AddToSweepOrder(int parameter, const std::string& text) {
  UnitRecord* u = ActiveUnit();
  if (!u) return;
  view.sweep.FillSequenceCombos();
  auto& order = u->sweepOrder;
  const int i = std::clamp(6 - view.workingUnit.sweepCount, 0, 5);
  FormControls& form = view.form;
  form.SetText(Offset(C::SequenceValue0, i), text);
  const int32_t q = order[static_cast<size_t>(i)];
  const auto found = std::find(order.begin(), order.end(), parameter);
  if (found != order.end() && q >= 0 && q <= 5) {
    const int j = static_cast<int>(found - order.begin());
    form.SetText(Offset(C::SequenceValue0, j), ParameterText(q));
    order[static_cast<size_t>(j)] = q;
    form.SetText(Offset(C::SequenceCombo0, j), SweepControl::ParameterName(q));
  }
  order[static_cast<size_t>(i)] = parameter;
  SyncOrder();
  ShowSequenceRows(1);
}

void Selections::ShowSequenceRows(int32_t active) {
  if (!ValidUnit(view.activeUnit)) return;
  FormControls& form = view.form;
  const UnitRecord& u = view.doc.unit(view.activeUnit);
  for (int k = 0; k < 6; ++k) {
    const int row = 5 - k;
    const ControlId combo = Offset(C::SequenceCombo0, row);
    const ControlId text = Offset(C::SequenceText0, row);
    const int32_t p = u.sweepOrder[static_cast<size_t>(row)];
    if (p >= 0 && p < 6) form.SetText(combo, SweepControl::ParameterName(p));
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
  FormControls& form = view.form;
  const std::string name = form.Text(Offset(C::SequenceCombo0, row));
  int32_t p = 0;
  while (p < 6 && SweepControl::ParameterName(p) != name) ++p;
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
  form.SetText(Offset(C::SequenceCombo0, j), SweepControl::ParameterName(q));
  order[static_cast<size_t>(row)] = p;
  SyncOrder();
  view.doc.SetModifiedFlag();
}

void Selections::OnEndless(ControlId check) {
  const bool on = view.form.IsChecked(check);
  const bool injection = check == C::InjectionEndlessCheck;
  StoreField(view, injection ? &UnitRecord::injectionEndless : &UnitRecord::intervalEndless,
             on ? 1 : 0);
  view.form.Enable(injection ? C::InjectionTimeEdit : C::IntervalTimeEdit, !on);
  view.form.Enable(injection ? C::InjectionTimeSpin : C::IntervalTimeSpin, !on);
}

void Selections::OnLineOption() {
  StoreField(view, &UnitRecord::lineOption, view.form.IsChecked(C::LineOptionCheck) ? 1 : 0);
}

void Selections::OnLineLabel() {
  if (view.workingUnit.triggerMode != 1) return;
  const int32_t value = view.workingUnit.lineOption ? 0 : 1;
  view.form.Check(C::LineOptionCheck, value != 0);
  StoreField(view, &UnitRecord::lineOption, value);
}

void Selections::OnProgramCheck() {
  const int32_t value = view.form.IsChecked(C::ProgramCheck) ? 1 : 0;
  if (view.doc.programMode != value) {
    view.doc.programMode = value;
    view.doc.SetModifiedFlag();
  }
  view.layout.EnableProgramArea();
}

void Selections::OnPhase() {
  if (view.workingUnit.triggerMode != 0) StoreField(view, &UnitRecord::triggerMode, 0);
  view.entry.SetTriggerSpins(0);
  view.entry.ShowTriggerMode(0);
  if (view.workingUnit.lineOption == 0) {
    // Phase always runs with LINE; not a change of the operator's own.
    StoreField(view, &UnitRecord::lineOption, 1, false);
    view.form.Check(C::LineOptionCheck, true);
  }
  view.form.Enable(C::LineOptionCheck, false);
  ShowRadioPairs();
}

void Selections::OnVariable() {
  if (view.workingUnit.triggerMode != 1) StoreField(view, &UnitRecord::triggerMode, 1);
  view.entry.SetTriggerSpins(1);
  view.entry.ShowTriggerMode(1);
  view.form.Enable(C::LineOptionCheck, true);
  ShowRadioPairs();
}

void Selections::ShowRadioPairs() {
  const bool variable = view.workingUnit.triggerMode == 1;
  view.form.Check(C::PhaseRadio, !variable);
  view.form.Check(C::VariableRadio, variable);
  view.form.Check(C::UnitNameRadio, view.doc.showUnitNames == 1);
  view.form.Check(C::UnitNoRadio, view.doc.showUnitNames != 1);
}

void Selections::OnUnitNames(bool names) {
  const int32_t value = names ? 1 : 0;
  if (view.doc.showUnitNames != value) {
    view.doc.showUnitNames = value;
    view.doc.SetModifiedFlag();
  }
  ShowRadioPairs();
  view.lists.ShowProgram();
}

void Selections::SelectUnit(int unitNumber) {
  CPELKDoc& doc = view.doc;
  if (!ValidUnit(unitNumber)) unitNumber = 1;  // a damaged current unit number
  UnitRecord& u = doc.unit(unitNumber);
  RepairSweepOrder(u);
  view.workingUnit = u;
  view.testModeTab = u.testMode == 1 ? 1 : 0;
  view.sweepLevels = u.sweepCount;
  view.voltageLimit = doc.VoltageLimit(u.terminator);
  view.workingTimes = doc.CurrentProgram().times;
  view.sendTimesLeft = doc.CurrentProgram().times;
  view.activeUnit = unitNumber;
}

void Selections::RefreshForm() {
  FormControls& form = view.form;
  ParameterEntry& entry = view.entry;
  const UnitRecord w = view.workingUnit;
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
  entry.SetEditText(C::VoltageStepEdit, VoltageDisplayText(view.workingUnit.voltageStep));
  entry.ApplyVoltageLimit(view.activeUnit);
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
  view.sweep.SetSequenceLabel(kSweepPolarity, form.Text(C::PolarityCombo));
  form.SelectItem(C::PolarityStopCombo, w.polarityStop);
  form.SelectItem(C::InjectionLineCombo, w.injectionLine);
  view.sweep.SetSequenceLabel(kSweepInjection, form.Text(C::InjectionLineCombo));
  form.SelectItem(C::InjectionStopCombo, w.injectionLineStop);
  FillReturnCombo(w.injectionLine);
  if (w.returnLine >= 0 && w.returnLine <= LastLine()) {
    form.SetText(C::ReturnLineCombo, view.doc.lineNames[static_cast<size_t>(w.returnLine)]);
  } else {
    form.SelectItem(C::ReturnLineCombo, -1);
  }
  view.sweep.SetSequenceLabel(kSweepReturn, form.Text(C::ReturnLineCombo));
  form.SelectItem(C::ReturnStopCombo, w.returnLineStop);
  form.SelectItem(C::WidthCombo, w.widthIndex);
  view.sweep.SetSequenceLabel(kSweepWidth, form.Text(C::WidthCombo));
  form.SelectItem(C::WidthStopCombo, w.widthIndexStop);

  view.sweep.FillSequenceCombos();

  form.SetTabPage(C::ConditionTab, view.testModeTab);
  view.layout.ShowTabPage(view.testModeTab);

  form.SetText(C::UnitNumberEdit, std::to_string(view.activeUnit));

  view.lists.SetUnitButtons();
  view.enabling.UpdateRunControls();
}

}  // namespace hvt
