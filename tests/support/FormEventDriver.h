#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "form/FormTables.h"
#include "form/NumericText.h"
#include "form/ParameterEntry.h"
#include "form/Selections.h"
#include "support/FormRig.h"

namespace hvt::testing {

// Random operator events for a FormRig, drawn from any source of numbers:
// `next(n)` returns 0..n-1 (a random engine for the property test, the
// input bytes for the fuzz target, a fixed seed for the benchmark).
template <class Next>
void DriveOneEvent(FormRig& rig, Next&& next) {
  using C = ControlId;
  static constexpr ControlId kClickable[] = {
      C::VoltageSweepCheck,
      C::TriggerSweepCheck,
      C::PolaritySweepCheck,
      C::InjectionEndlessCheck,
      C::IntervalEndlessCheck,
      C::LineOptionCheck,
      C::LineOptionLabel,
      C::ProgramCheck,
      C::PhaseRadio,
      C::VariableRadio,
      C::PhaseLabel,
      C::VariableLabel,
      C::UnitNameRadio,
      C::UnitNoRadio,
      C::Start,
      C::Stop,
      C::Pause,
      C::Update,
      C::OneShotMode,
      C::Trigger,
      C::TestMemoButton,
  };
  static constexpr ControlId kCombos[] = {
      C::PolarityCombo,
      C::PolarityStopCombo,
      C::WidthCombo,
      C::WidthStopCombo,
      C::InjectionLineCombo,
      C::InjectionStopCombo,
      C::ReturnLineCombo,
      C::TerminatorCombo,
      C::SequenceCombo0,
      Offset(C::SequenceCombo0, 1),
      Offset(C::SequenceCombo0, 2),
      Offset(C::SequenceCombo0, 3),
      Offset(C::SequenceCombo0, 4),
      Offset(C::SequenceCombo0, 5),
  };
  static constexpr ControlId kSpins[] = {
      C::VoltageSpin,       C::VoltageStopSpin,  C::VoltageStepSpin,
      C::TriggerSpin,       C::TriggerStopSpin,  C::TriggerStepSpin,
      C::InjectionTimeSpin, C::IntervalTimeSpin, C::ProgramTimesSpin,
  };
  static const std::array<std::string, 24> kTexts = {
      "",      "0",    "1",  "5",   "16",  "20",  "90",   "360",   "999", "9999",    "0.01", "1.5",
      "3.456", "9.99", "00", "010", "abc", " 7 ", "4.10", "99.99", "-3",  "1000000", "2.",   ".5",
  };
  auto edit = [&] {
    return static_cast<ControlId>(static_cast<int>(C::VoltageEdit) + static_cast<int>(next(9)));
  };
  FormEvents& events = rig.events();
  switch (next(12)) {
    case 0:
    case 1:
      rig.Click(kClickable[next(std::size(kClickable))]);
      break;
    case 2: {
      const ControlId combo = kCombos[next(std::size(kCombos))];
      const auto& items = rig.form.Get(combo).items;
      const int count = static_cast<int>(items.size());
      events.OnSelect(combo, static_cast<int>(next(static_cast<uint32_t>(count + 2))) - 1);
      break;
    }
    case 3:
    case 4: {
      const ControlId box = edit();
      std::string text = kTexts[next(kTexts.size())];
      if (next(4) == 0) text = std::to_string(next(100000)) + (next(2) ? "." : "");
      rig.Type(box, text);
      break;
    }
    case 5:
      events.OnSpin(kSpins[next(std::size(kSpins))], static_cast<int>(next(1300)) - 100);
      break;
    case 6:
      events.OnTabSelected(static_cast<int>(next(3)));
      break;
    case 7:
      rig.Focus(next(4) == 0 ? C::Start : edit());
      break;
    case 8: {
      KeyEvent key;
      key.kind = static_cast<KeyEvent::Kind>(next(3));
      key.key = static_cast<Key>(next(5));
      key.ctrl = next(2);
      key.shift = next(2);
      key.focused = edit();
      events.OnKey(key);
      MouseEvent mouse;
      mouse.kind = static_cast<MouseEvent::Kind>(next(3));
      mouse.button = static_cast<MouseEvent::Button>(next(3));
      mouse.control = edit();
      events.OnMouse(mouse);
      break;
    }
    case 9:
      events.OnContextMenu(next(2));
      break;
    case 10:
      rig.time.RunFor(next(4000));
      break;
    default:
      rig.Leave();
      break;
  }
}

// What must hold after every event for the unit on the form; an empty text
// when it does.
inline std::string FormInvariantFailure(FormRig& rig) {
  using C = ControlId;
  CPELKView& view = *rig.view;
  if (view.runStatus.activeUnit < 1 || view.runStatus.activeUnit > kUnitCount) return "active unit out of range";
  const UnitRecord& u = rig.doc.unit(view.runStatus.activeUnit);
  std::array<int32_t, 6> order = u.sweepOrder;
  std::sort(order.begin(), order.end());
  if (order != std::array<int32_t, 6>{0, 1, 2, 3, 4, 5}) return "sweepOrder is no permutation";
  if (u.sweepCount != Selections::CountedFlags(u)) return "sweepCount differs from the flags";
  if (u.sweepOrder != view.formState.workingUnit.sweepOrder) return "working order differs";
  for (ControlId id : form::HiddenControls()) {
    if (rig.form.IsShown(id))
      return "hidden control " + std::to_string(static_cast<int>(id)) + " shown";
  }
  for (int id = static_cast<int>(C::VoltageEdit); id <= static_cast<int>(C::ProgramTimesEdit);
       ++id) {
    const auto box = static_cast<ControlId>(id);
    if ((box == C::InjectionTimeEdit || box == C::IntervalTimeEdit) && view.RunActive()) continue;
    const auto field = view.entry.FieldOf(box);
    if (!form::PassesForm(rig.form.Text(box), ParameterEntry::FormOf(*field))) {
      return "text of " + std::to_string(id) + " fails its form: '" + rig.form.Text(box) + "'";
    }
  }
  auto within = [](int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; };
  auto distance = [](int32_t a, int32_t b) { return std::llabs(static_cast<long long>(a) - b); };
  if (!within(u.voltage, 0, view.formState.voltageLimit) || !within(u.voltageStop, 0, view.formState.voltageLimit)) {
    return "voltage above its limit";
  }
  if (u.voltageStep < 0 || u.voltageStep > distance(u.voltage, u.voltageStop))
    return "voltage step";
  if (u.triggerMode == 1) {
    if (!within(u.variable, 0, 999) || !within(u.variableStop, 0, 999)) return "Variable range";
    if (u.variableStep < 0 || u.variableStep > distance(u.variable, u.variableStop)) {
      return "Variable step";
    }
  } else {
    if (!within(u.phase, 0, 360) || !within(u.phaseStop, 0, 360)) return "phase range";
    if (u.phaseStep < 0 || u.phaseStep > distance(u.phase, u.phaseStop)) return "phase step";
  }
  if (!within(u.injectionTime, 0, 9999) || !within(u.intervalTime, 0, 999)) return "times";
  const auto terminators = view.selections.TerminatorItems().size();
  if (!within(u.terminator, 0, static_cast<int32_t>(terminators) - 1)) return "terminator";
  if (rig.doc.currentProgram >= 1 && rig.doc.currentProgram <= kProgramCount &&
      !within(rig.doc.CurrentProgram().times, 0, 999)) {
    return "program times";
  }
  return {};
}

}  // namespace hvt::testing
