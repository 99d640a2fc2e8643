#include "form/ProgramLists.h"

#include <algorithm>

#include "form/FormWiring.h"
#include "form/UnitCells.h"
#include "model/StringTable.h"

namespace hvt {

namespace {

using C = ControlId;

// The repeat starts half a second after the press, then steps with every
// tick of its 100 ms timer.
constexpr uint32_t kRepeatDelayMs = 500;
constexpr uint32_t kRepeatPeriodMs = 100;

struct StepButton {
  ControlId button;
  int timer;
  bool unit;  // else a program button
  int direction;
};

constexpr StepButton kStepButtons[] = {
    {C::UnitUpButton, kUnitNextTimer, true, +1},
    {C::UnitDownButton, kUnitPreviousTimer, true, -1},
    {C::ProgramUpButton, kProgramNextTimer, false, +1},
    {C::ProgramDownButton, kProgramPreviousTimer, false, -1},
};

const StepButton* ByButton(ControlId button) {
  for (const StepButton& b : kStepButtons) {
    if (b.button == button) return &b;
  }
  return nullptr;
}

const StepButton* ByTimer(int timer) {
  for (const StepButton& b : kStepButtons) {
    if (b.timer == timer) return &b;
  }
  return nullptr;
}

// The fields Copy takes and Paste gives. The name stays with its unit, and
// so do the stop values and sweep flags of polarity, width and the lines.
void CopyConditions(const UnitRecord& from, UnitRecord& to) {
  to.polarity = from.polarity;
  to.widthIndex = from.widthIndex;
  to.voltage = from.voltage;
  to.voltageStop = from.voltageStop;
  to.voltageStep = from.voltageStep;
  to.voltageSweep = from.voltageSweep;
  to.phase = from.phase;
  to.phaseStop = from.phaseStop;
  to.phaseStep = from.phaseStep;
  to.variable = from.variable;
  to.variableStop = from.variableStop;
  to.variableStep = from.variableStep;
  to.triggerMode = from.triggerMode;
  to.triggerSweep = from.triggerSweep;
  to.injectionLine = from.injectionLine;
  to.returnLine = from.returnLine;
  to.injectionTime = from.injectionTime;
  to.injectionEndless = from.injectionEndless;
  to.intervalTime = from.intervalTime;
  to.intervalEndless = from.intervalEndless;
  to.lineOption = from.lineOption;
  to.testMode = from.testMode;
  to.terminator = from.terminator;
  to.sweepOrder = from.sweepOrder;
  to.sweepCount = from.sweepCount;
}

}  // namespace

void FormCellList::DeleteAllItems() { form.SetItems(list, {}); }

void FormCellList::InsertItem(int index, const std::string& text) {
  const int count = form.RowCount(list);
  index = std::clamp(index, 0, count);
  // The items behind the new one move up by one.
  for (int row = count; row > index; --row) form.SetCell(list, row, form.Cell(list, row - 1));
  form.SetCell(list, index, text);
}

std::vector<ListColumn> UnitOverviewColumns() {
  return {
      {"No", 27},
      {"+/-", 32},
      {LoadString(TextId::OverviewWidth), 50},
      {"VOL1", 40},
      {"VOL2", 40},
      {"VOL3", 40},
      {"TRG1", 47},
      {"TRG2", 47},
      {"TRG3", 47},
      {LoadString(TextId::ColumnInjection), 41},
      {LoadString(TextId::ColumnReturn), 35},
      {LoadString(TextId::ColumnTerminator), 50},
  };
}

void ProgramLists::ShowProgram() {
  CPELKDoc& doc = with.doc;
  const ProgramRecord& p = doc.CurrentProgram();
  FormControls& form = with.form;
  form.SetText(C::ProgramNumberEdit, std::to_string(doc.currentProgram));
  form.SetText(C::ProgramName, p.name);
  if (doc.programMode) SetProgramButtons();
  with.entry.SetEditText(C::ProgramTimesEdit, std::to_string(p.times));
  form.SetText(C::TimesLeft, std::to_string(p.times));
  with.run.SetProgramTimes(p.times);
  FillProgramList();
}

void ProgramLists::FillProgramList() {
  FormCellList list(with.form, C::ProgramList);
  form::FillProgramList(with.doc, list);
}

void ProgramLists::SetUnitButtons() {
  FormControls& form = with.form;
  const std::optional<ControlId> focus = form.FocusedControl();
  std::optional<ControlId> disabled;
  if (with.run.ActiveUnit() >= kUnitCount) {
    disabled = C::UnitUpButton;
    form.Enable(C::UnitUpButton, false);
    form.Enable(C::UnitDownButton, true);
  } else if (with.run.ActiveUnit() <= 1) {
    disabled = C::UnitDownButton;
    form.Enable(C::UnitUpButton, true);
    form.Enable(C::UnitDownButton, false);
  } else {
    form.Enable(C::UnitUpButton, true);
    form.Enable(C::UnitDownButton, true);
  }
  // A disabled button must not keep the keyboard.
  if (disabled && focus == disabled) form.Focus(C::ConditionTab);
}

void ProgramLists::SetProgramButtons() {
  FormControls& form = with.form;
  const int program = with.doc.currentProgram;
  const bool last = program >= kProgramCount;
  const bool first = program <= 1;
  // Read before disabling: a disabled button hands its focus on by itself.
  const std::optional<ControlId> focus = form.FocusedControl();
  form.Enable(C::ProgramUpButton, !last);
  form.Enable(C::ProgramDownButton, !first);
  if (!last && !first) return;
  if (focus == C::ProgramUpButton || focus == C::ProgramDownButton) form.Focus(C::ProgramList);
}

void ProgramLists::StepUnit(int direction) {
  const int unit = std::clamp(with.run.ActiveUnit() + direction, 1, kUnitCount);
  if (unit == with.run.ActiveUnit()) return;
  with.run.MakeActive(unit);
  with.doc.currentUnit = static_cast<uint16_t>(unit);
  with.selections.SelectUnit(unit);
  with.selections.RefreshForm();
}

void ProgramLists::StepProgram(int direction) {
  const int current = std::clamp<int>(with.doc.currentProgram, 1, kProgramCount);
  const int program = std::clamp(current + direction, 1, kProgramCount);
  if (program == with.doc.currentProgram) return;
  with.doc.currentProgram = static_cast<uint16_t>(program);
  ShowProgram();
}

void ProgramLists::PressStepButton(ControlId button) {
  const StepButton* b = ByButton(button);
  if (!b) return;
  with.form.Focus(button);
  repeatArmed = 1;
  repeatStartTick = with.clock.TickCount();
  if (b->unit) {
    StepUnit(b->direction);
  } else {
    StepProgram(b->direction);
  }
  with.timers.SetTimer(b->timer, kRepeatPeriodMs);
}

void ProgramLists::ReleaseStepButton(ControlId button) {
  if (const StepButton* b = ByButton(button)) with.timers.KillTimer(b->timer);
}

void ProgramLists::DisarmRepeat() {
  const std::optional<ControlId> focus = with.form.FocusedControl();
  if (focus && ByButton(*focus)) repeatArmed = 0;
}

bool ProgramLists::IsRepeatTimer(int id) { return ByTimer(id) != nullptr; }

void ProgramLists::KillRepeat(int timer) { with.timers.KillTimer(timer); }

void ProgramLists::OnRepeatTimer(int id) {
  const StepButton* b = ByTimer(id);
  if (!b) return;
  if (with.clock.TickCount() - repeatStartTick < kRepeatDelayMs) return;
  if (with.form.FocusedControl() != b->button || !repeatArmed) {
    KillRepeat(id);
    return;
  }
  // Held but pushed off the button: no step until it is back on it.
  if (!with.form.IsButtonDown(b->button)) return;
  if (b->unit) {
    const int next = with.run.ActiveUnit() + b->direction;
    if (next < 1 || next > kUnitCount) {
      KillRepeat(id);
      return;
    }
    StepUnit(b->direction);
    return;
  }
  StepProgram(b->direction);
  const int bound = b->direction > 0 ? kProgramCount : 1;
  if (with.doc.currentProgram == bound) KillRepeat(id);
}

void ProgramLists::SetUpOverview() { with.form.SetColumns(C::UnitOverview, UnitOverviewColumns()); }

void ProgramLists::FillUnitOverview() {
  FormControls& form = with.form;
  form.SetItems(C::UnitOverview, {});
  for (int u = 1; u <= kUnitCount; ++u) {
    const form::UnitRowTexts row = form::UnitRow(with.doc, u);
    const std::string* cells[] = {
        &row.number,     &row.polarity,   &row.width,      &row.voltage[0],
        &row.voltage[1], &row.voltage[2], &row.trigger[0], &row.trigger[1],
        &row.trigger[2], &row.injection,  &row.returnLine, &row.terminator,
    };
    for (int column = 0; column < 12; ++column)
      form.SetCell(C::UnitOverview, u - 1, column, *cells[column]);
  }
}

void ProgramLists::CopyUnit() {
  if (with.run.ActiveUnit() < 1 || with.run.ActiveUnit() > kUnitCount) return;
  CopyConditions(with.doc.unit(with.run.ActiveUnit()), with.state.unitClipboard);
  with.state.clipboardFull = 1;
  with.form.CommandStatesChanged();
}

void ProgramLists::PasteUnit() {
  if (!CanPaste() || with.run.ActiveUnit() < 1 || with.run.ActiveUnit() > kUnitCount) return;
  CopyConditions(with.state.unitClipboard, with.doc.unit(with.run.ActiveUnit()));
  with.selections.SelectUnit(with.run.ActiveUnit());
  with.selections.RefreshForm();
  with.doc.SetModifiedFlag();
}

void ProgramLists::EmptyClipboard() { with.state.clipboardFull = 0; }

bool ProgramLists::CanPaste() const { return with.state.clipboardFull == 1; }

}  // namespace hvt
