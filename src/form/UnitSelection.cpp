#include "form/UnitSelection.h"

#include "form/FormWiring.h"
#include "form/UnitCells.h"
#include "model/CPELKDoc.h"
#include "model/StringTable.h"
#include "ports/Dialogs.h"
#include "ports/Prompter.h"

namespace hvt {

namespace {

const std::string& NoStep() { return LoadString(TextId::NoStep); }
constexpr const char* kBlank = "      ";  // the blink's dark phase, as wide as a cell
constexpr const char* kArrow = "->";

struct ColumnSpec {
  TextId title;
  int width;
};

constexpr ColumnSpec kColumns[] = {
    {TextId::NumberTitle, 30},         {TextId::ColumnUnitName, 90},
    {TextId::ColumnPolarity, 45},      {TextId::OverviewWidth, 50},
    {TextId::ColumnVolt1, 48},         {TextId::ColumnVolt2, 48},
    {TextId::ColumnVolt3, 48},         {TextId::ColumnTrig1, 48},
    {TextId::ColumnTrig2, 48},         {TextId::ColumnTrig3, 48},
    {TextId::ColumnInjection, 45},     {TextId::ColumnReturn, 35},
    {TextId::ColumnInjectionTime, 60}, {TextId::ColumnIntervalTime, 60},
    {TextId::ColumnTerminator, 45},
};

struct ToolTipSpec {
  UnitDialogId button;
  TextId text;
};

constexpr ToolTipSpec kToolTips[] = {
    {UnitDialogId::Last, TextId::AddLastHint},
    {UnitDialogId::Prior, TextId::InsertBeforeHint},
    {UnitDialogId::Posterior, TextId::InsertAfterHint},
    {UnitDialogId::Replace, TextId::ReplaceHint},
    {UnitDialogId::Delete, TextId::DeleteHint},
    {UnitDialogId::Clear, TextId::ClearHint},
};

// A unit's row in the table's column order.
std::vector<std::string> RowCells(const CPELKDoc& doc, int unit) {
  const form::UnitRowTexts r = form::UnitRow(doc, unit);
  return {r.number,     r.name,       r.polarity,      r.width,        r.voltage[0],
          r.voltage[1], r.voltage[2], r.trigger[0],    r.trigger[1],   r.trigger[2],
          r.injection,  r.returnLine, r.injectionTime, r.intervalTime, r.terminator};
}

}  // namespace

UnitSelection::UnitSelection(const CPELKDoc& document, Prompter& p) : doc(document), prompter(&p) {
  const ProgramRecord& program = doc.CurrentProgram();
  for (int position = 1; position <= ProgramRecord::kPositions; ++position)
    steps[static_cast<size_t>(position)] = program.step(position);
  // Counted from the copy itself, as the program display counts it: a count
  // stored in a damaged file must not make cells for steps that are not
  // there.
  int count = 0;
  while (count < kMaxSteps && steps[static_cast<size_t>(2 * count + 1)] != kStepEnd) ++count;
  stepCount = static_cast<uint16_t>(count);
}

void UnitSelection::Attach(UnitSelectionControls& c, TimerHost& t) {
  controls = &c;
  timers = &t;
}

std::string UnitSelection::CellText(int position) const {
  const uint16_t code = Step(position);
  return code == kStepEnd ? NoStep() : form::StepText(doc, code);
}

void UnitSelection::FillCells() {
  if (stepCount == 0) {
    controls->InsertCell(0, NoStep());
    return;
  }
  controls->InsertCell(0, CellText(1));
  for (int position = 3; position <= 2 * stepCount - 1; position += 2) {
    controls->InsertCell(position - 2, kArrow);
    controls->InsertCell(position - 1, CellText(position));
  }
}

void UnitSelection::OnInitDialog() {
  controls->SetCaption(LoadString(TextId::UnitSelectionCaption));
  std::vector<UnitColumn> columns;
  for (const ColumnSpec& c : kColumns) columns.push_back({LoadString(c.title), c.width});
  controls->SetUnitColumns(columns);
  for (int unit = 1; unit <= kUnitCount; ++unit) {
    const std::vector<std::string> cells = RowCells(doc, unit);
    for (size_t column = 0; column < cells.size(); ++column)
      controls->SetUnitCell(unit - 1, static_cast<int>(column), cells[column]);
  }
  FillCells();
  OnModeButton(UnitDialogId::Last);
  for (const ToolTipSpec& tip : kToolTips) controls->SetToolTip(tip.button, LoadString(tip.text));
}

void UnitSelection::OnModeButton(UnitDialogId id) {
  int* flag = id == UnitDialogId::Prior       ? &modePrior
              : id == UnitDialogId::Posterior ? &modePosterior
              : id == UnitDialogId::Last      ? &modeLast
              : id == UnitDialogId::Replace   ? &modeReplace
                                              : nullptr;
  if (flag == nullptr) return;
  // The modes exclude each other; the pressed one pressed again leaves none.
  const int pressed = *flag == 0 ? 1 : 0;
  modePrior = modePosterior = modeLast = modeReplace = 0;
  *flag = pressed;
  controls->Check(UnitDialogId::Prior, modePrior != 0);
  controls->Check(UnitDialogId::Posterior, modePosterior != 0);
  controls->Check(UnitDialogId::Last, modeLast != 0);
  controls->Check(UnitDialogId::Replace, modeReplace != 0);
}

void UnitSelection::StopBlink() {
  if (!blinking) return;
  blinking = false;
  timers->KillTimer(kBlinkTimer);
  RedrawPosition(selectedPos);
}

void UnitSelection::StartBlink() {
  blinking = true;
  timers->SetTimer(kBlinkTimer, kBlinkMs);
}

void UnitSelection::RedrawPosition(int position) {
  // A position whose cell is gone (the deleted last step) has nothing to
  // show.
  if (position < 1 || position - 1 >= CellCount()) return;
  controls->SetCellText(position - 1, CellText(position));
}

void UnitSelection::OnCellClick(int item) {
  // Arrows between the steps are not positions.
  if (item < 0 || item >= CellCount() || item % 2 != 0) return;
  StopBlink();
  selectedPos = item + 1;
  StartBlink();
}

void UnitSelection::OnTimer(int id) {
  if (id != kBlinkTimer || !blinking) return;
  if (selectedPos >= 1 && selectedPos - 1 < CellCount())
    controls->SetCellText(selectedPos - 1, blinkFlag == 1 ? CellText(selectedPos) : kBlank);
  blinkFlag = blinkFlag == 0 ? 1 : 0;
}

void UnitSelection::Ask(TextId messageId, bool okCancel, bool* ok) {
  const Answer a = prompter->Ask(LoadString(messageId), okCancel ? Buttons::OkCancel : Buttons::Ok,
                                 MessageIcon::Question, Owner::View);
  if (ok) *ok = a == Answer::Ok;
}

void UnitSelection::FirstStep(uint16_t unit) {
  steps[1] = unit;
  controls->SetCellText(0, CellText(1));
  stepCount = 1;
}

void UnitSelection::AppendTwoCells() {
  const int n = stepCount;
  controls->InsertCell(2 * n - 1, kArrow);
  controls->InsertCell(2 * n, "");
}

// Steps from position s on move one step to the right; the caller counts
// the new step.
void UnitSelection::ShiftRightFrom(int s) {
  for (int p = 2 * stepCount - 1; p >= s; p -= 2) {
    steps[static_cast<size_t>(p + 2)] = steps[static_cast<size_t>(p)];
    controls->SetCellText(p + 1, CellText(p + 2));
  }
}

void UnitSelection::AddLast(uint16_t unit) {
  if (stepCount == 0) {
    FirstStep(unit);
    return;
  }
  AppendTwoCells();
  const int position = 2 * stepCount + 1;
  steps[static_cast<size_t>(position)] = unit;
  controls->SetCellText(position - 1, CellText(position));
  controls->SelectCell(position - 1);
  ++stepCount;
}

// Prior to and Posterior to: the steps from the selected one on move right
// and the new unit takes the selected place or the one after it. Posterior
// selects the new cell in the list; the blink stays on the selected place.
void UnitSelection::InsertAtSelection(uint16_t unit, bool after) {
  const int s = selectedPos;
  if (s == 1 && stepCount == 0) {
    FirstStep(unit);
    return;
  }
  AppendTwoCells();
  ShiftRightFrom(s);
  const int position = after ? s + 2 : s;
  steps[static_cast<size_t>(position)] = unit;
  controls->SetCellText(position - 1, CellText(position));
  if (after) controls->SelectCell(position - 1);
  ++stepCount;
}

void UnitSelection::ReplaceSelected(uint16_t unit) {
  const int s = selectedPos;
  steps[static_cast<size_t>(s)] = unit;
  controls->SetCellText(s - 1, CellText(s));
  if (s == 1 && stepCount == 0) stepCount = 1;
}

void UnitSelection::OnUnitDoubleClick(int row) {
  if (modeReplace == 0 && stepCount >= kMaxSteps) return;
  if (row < 0 || row >= kUnitCount) return;
  if (modeLast == 0 && selectedPos == -1) {
    Ask(TextId::SelectPosition, false);
    return;
  }
  // A selection is always a cell that exists; anything else is refused
  // rather than written past the program's end.
  if (modeLast == 0 && (selectedPos < 1 || selectedPos - 1 >= CellCount())) return;
  const auto unit = static_cast<uint16_t>(row + 1);
  if (modePrior) {
    InsertAtSelection(unit, false);
  } else if (modePosterior) {
    InsertAtSelection(unit, true);
  } else if (modeLast) {
    AddLast(unit);
  } else if (modeReplace) {
    ReplaceSelected(unit);
  } else {
    Ask(TextId::SelectMode, false);
    return;
  }
  edited = 1;
}

Disposition UnitSelection::OnUnitTableKey(const KeyEvent& key, int row) {
  // Alt+Space belongs to the window.
  if (key.key != Key::Space || key.kind == KeyEvent::Kind::SystemDown) return Disposition::Pass;
  // Ctrl+Space would only toggle the row's selection: no unit for it.
  if (key.kind == KeyEvent::Kind::Down && !key.autoRepeat && !key.ctrl) OnUnitDoubleClick(row);
  return Disposition::Swallow;
}

void UnitSelection::OnDelete() {
  if (stepCount == 0) return;
  if (selectedPos == -1) {
    Ask(TextId::SelectDeletion, false);
    return;
  }
  const int s = selectedPos;
  const int n = stepCount;
  const int last = 2 * n - 1;
  if (s < 1 || s > last) return;
  if (n == 1) {
    steps[1] = kStepEnd;
    controls->SetCellText(0, NoStep());
  } else {
    controls->DeleteCell(2 * n - 2);
    controls->DeleteCell(2 * n - 3);
    for (int p = s; p < last; p += 2) {
      steps[static_cast<size_t>(p)] = steps[static_cast<size_t>(p + 2)];
      controls->SetCellText(p - 1, CellText(p));
    }
    steps[static_cast<size_t>(last)] = kStepEnd;
  }
  --stepCount;
  if (s == last && s > 1) {
    // The blinking step is gone: the blink goes to the new last step.
    StopBlink();
    selectedPos = 2 * stepCount - 1;
    StartBlink();
  }
  edited = 1;
}

void UnitSelection::OnClear() {
  if (stepCount == 0) return;
  bool ok = false;
  Ask(TextId::ClearQuestion, true, &ok);
  if (!ok) return;
  StopBlink();
  for (int item = CellCount() - 1; item >= 1; --item) controls->DeleteCell(item);
  for (int p = 1; p <= 2 * stepCount - 1; p += 2) steps[static_cast<size_t>(p)] = kStepEnd;
  stepCount = 0;
  controls->SetCellText(0, NoStep());
  selectedPos = -1;
  edited = 1;
}

void UnitSelection::OnMouseMove(bool inside, int x, int y, int width, int height) {
  overUnitRows = inside && x >= 0 && x < width && y >= kHeaderHeight && y < height ? 1 : 0;
  controls->SetUnitCursor(overUnitRows != 0);
}

void UnitSelection::OnClose() {
  if (blinking && timers) timers->KillTimer(kBlinkTimer);
  blinking = false;
}

void UnitSelection::WriteBack(FormWiring& with) const {
  CPELKDoc& d = with.doc;
  if (d.currentProgram < 1 || d.currentProgram > kProgramCount) return;
  ProgramRecord& program = d.program(d.currentProgram);
  for (int position = 1; position <= ProgramRecord::kPositions; ++position)
    program.step(position) = Step(position);
  d.programStepCount = stepCount;
  with.lists.FillProgramList();
  if (edited) d.SetModifiedFlag();
}

bool OpenProgramEditor(FormWiring& with) {
  if (with.run.RunActive()) return false;
  // Off with TEST SEQUENCE: the list is grayed and takes no double click.
  if (!with.form.IsEnabled(ControlId::ProgramList)) return false;
  // A damaged file can leave the current program number outside 1..50:
  // there is no program to edit then.
  if (with.doc.currentProgram < 1 || with.doc.currentProgram > kProgramCount) return false;
  UnitSelection editor(with.doc, with.prompter);
  if (!with.dialogs->Run(editor)) return false;
  editor.WriteBack(with);
  return true;
}

}  // namespace hvt
