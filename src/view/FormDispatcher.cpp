#include "view/FormDispatcher.h"

#include <algorithm>

#include "form/ParameterEntry.h"
#include "view/CPELKView.h"

namespace hvt {

FormDispatcher::FormDispatcher(CPELKView& view) : view(view), spinRepeat(view.clock) {}

namespace {

using C = ControlId;

// The row of a control in a group of consecutive IDs, or -1.
int RowIn(ControlId id, ControlId first, int count) {
  const int k = static_cast<int>(id) - static_cast<int>(first);
  return k >= 0 && k < count ? k : -1;
}

}  // namespace

bool FormDispatcher::Usable(ControlId id) const {
  return view.form.IsEnabled(id) && view.form.IsShown(id);
}

void FormDispatcher::OnClick(ControlId id) {
  if (!Usable(id)) {
    // A radio button toggles itself before the click arrives: a refused
    // click must not leave it so (an accepted one shows the pairs itself).
    if (id == C::PhaseRadio || id == C::VariableRadio || id == C::UnitNameRadio ||
        id == C::UnitNoRadio)
      view.selections.ShowRadioPairs();
    return;
  }
  Selections& s = view.selections;
  RunControl& run = view.run;
  switch (id) {
    case C::PolaritySweepCheck:
    case C::WidthSweepCheck:
    case C::VoltageSweepCheck:
    case C::TriggerSweepCheck:
    case C::InjectionSweepCheck:
    case C::ReturnSweepCheck:
      s.OnSweepCheck(id);
      return;
    case C::InjectionEndlessCheck:
    case C::IntervalEndlessCheck:
      s.OnEndless(id);
      return;
    case C::LineOptionCheck:
      s.OnLineOption();
      return;
    case C::LineOptionLabel:
      s.OnLineLabel();
      return;
    case C::ProgramCheck:
      s.OnProgramCheck();
      return;
    case C::PhaseRadio:
      s.OnPhase();
      return;
    case C::VariableRadio:
      s.OnVariable();
      return;
    case C::PhaseLabel:
      view.layout.OnPhaseLabel();
      return;
    case C::VariableLabel:
      view.layout.OnVariableLabel();
      return;
    case C::UnitNameRadio:
      s.OnUnitNames(true);
      return;
    case C::UnitNoRadio:
      s.OnUnitNames(false);
      return;
    case C::Start:
      run.StartRun();
      return;
    case C::Stop:
    case C::Pause:
      // They act when the button goes down (the input filter) or on Enter;
      // the click that follows must not act a second time.
      return;
    case C::Line:
      run.ToggleLine();
      return;
    case C::OneShotMode:
      run.OnOneShotMode();
      return;
    case C::Trigger:
      run.OnTriggerButton();
      return;
    case C::Update:
      run.SendUpdate();
      return;
    default:
      break;
  }
  if (auto it = clickHandlers.find(id); it != clickHandlers.end() && it->second) it->second();
}

void FormDispatcher::OnSelect(ControlId id, int index) {
  if (!Usable(id)) return;
  view.form.SelectItem(id, index);
  Selections& s = view.selections;
  if (const int row = RowIn(id, C::SequenceCombo0, 6); row >= 0) {
    s.OnSequenceCombo(row);
    return;
  }
  switch (id) {
    case C::PolarityCombo:
      s.OnPolarity(index);
      break;
    case C::PolarityStopCombo:
      s.OnPolarityStop(index);
      break;
    case C::WidthCombo:
      s.OnWidth(index);
      break;
    case C::WidthStopCombo:
      s.OnWidthStop(index);
      break;
    case C::InjectionLineCombo:
      s.OnInjectionLine(index);
      break;
    case C::InjectionStopCombo:
      s.OnInjectionStop(index);
      break;
    case C::ReturnLineCombo:
      s.OnReturnLine();
      break;
    case C::TerminatorCombo:
      s.OnTerminator(index);
      break;
    default:
      break;
  }
}

void FormDispatcher::OnEditFocusGained(ControlId id) { view.entry.OnFocusGained(id); }

void FormDispatcher::OnEditFocusLost(ControlId id) { view.entry.OnFocusLost(id); }

void FormDispatcher::OnEditChanged(ControlId id, const std::string& text) {
  if (!Usable(id) || !ParameterEntry::IsNumericEdit(id)) return;
  // The widget already shows the typed text; setting it again would move
  // the operator's cursor.
  if (view.form.Text(id) != text) view.form.SetText(id, text);
  view.entry.OnChange(id);
}

void FormDispatcher::OnSpin(ControlId spin, int position) {
  if (!Usable(spin)) return;
  view.entry.OnSpin(spin, position);
}

void FormDispatcher::OnSpinArrow(ControlId spin, ArrowAction action, int direction) {
  const int step = spinRepeat.Step(spin, action, direction);
  if (step == 0 || !Usable(spin)) return;
  const auto [low, high] = view.form.SpinRange(spin);
  const int from = view.form.SpinPosition(spin);
  const int to = std::clamp(from + step, low, high);
  if (to == from) return;
  view.form.SetSpinPosition(spin, to);
  view.entry.OnSpin(spin, to);
}

void FormDispatcher::OnTabSelected(int page) {
  if (!Usable(C::ConditionTab)) return;
  view.layout.OnTabSelected(page);
}

void FormDispatcher::OnListClick(ControlId id, int row) {
  if (listClick) listClick(id, row);
}

void FormDispatcher::OnListDoubleClick(ControlId id, int row) {
  if (listDoubleClick) listDoubleClick(id, row);
}

// The filter decides (key/mouse event, run state) -> pass or swallow.
Disposition FormDispatcher::OnKey(const KeyEvent& event) {
  return keyFilter ? keyFilter(event) : Disposition::Pass;
}

Disposition FormDispatcher::OnMouse(const MouseEvent& event) {
  return mouseFilter ? mouseFilter(event) : Disposition::Pass;
}

void FormDispatcher::OnCommand(CommandId command) {
  // Accelerators reach commands whose menu is grayed; the run rules block them.
  if (!view.IsCommandEnabled(command)) return;
  if (auto it = commandHandlers.find(command); it != commandHandlers.end() && it->second) {
    it->second();
  }
}

bool FormDispatcher::OnContextMenu(bool insideConditionTab) {
  return view.layout.OnContextMenu(insideConditionTab);
}

}  // namespace hvt
