#pragma once

#include <string>

#include "model/DocumentFile.h"
#include "support/ViewRig.h"

namespace hvt::testing {

// A view in demonstration mode whose form is driven the way an operator
// drives the widgets: typing, leaving boxes, clicking, choosing entries.
struct FormRig : ViewRig {
  // type: the injection unit type of the demonstration instrument.
  explicit FormRig(int type = 3) : ViewRig(DefaultOptions(), true) {
    doc.SetDemoConfiguration(type);
    doc.InitNewDocument();
    view->layout.SetUp();
    view->InitialUpdate();
    doc.SetModifiedFlag(false);
  }

  FormEvents& events() { return view->events; }

  // Focus moves into the box (the box it leaves is told), then the text is typed.
  void Type(ControlId edit, const std::string& text) {
    Focus(edit);
    events().OnEditChanged(edit, text);
  }
  void Focus(ControlId id) { view->entry.MoveFocus(id); }
  // Tabbing away from a box.
  void Leave() { Focus(ControlId::Start); }
  // A click as the widget delivers it: check boxes toggle, radio buttons
  // check themselves and clear their partner first.
  void Click(ControlId id) {
    using C = ControlId;
    if (form.IsEnabled(id) && form.IsShown(id)) {
      if (id == C::PhaseRadio || id == C::VariableRadio) {
        form.Check(C::PhaseRadio, id == C::PhaseRadio);
        form.Check(C::VariableRadio, id == C::VariableRadio);
      } else if (IsCheckBox(id)) {
        form.Check(id, !form.IsChecked(id));
      }
    }
    events().OnClick(id);
  }
  void Select(ControlId combo, int index) { events().OnSelect(combo, index); }
  void SelectText(ControlId combo, const std::string& text) {
    const auto& items = form.Get(combo).items;
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == text) return Select(combo, static_cast<int>(i));
    }
  }
  std::string Text(ControlId id) const { return form.Text(id); }
  const UnitRecord& Active() const { return doc.unit(view->runStatus.activeUnit); }

  static bool IsCheckBox(ControlId id) {
    using C = ControlId;
    switch (id) {
      case C::PolaritySweepCheck:
      case C::WidthSweepCheck:
      case C::VoltageSweepCheck:
      case C::TriggerSweepCheck:
      case C::InjectionSweepCheck:
      case C::ReturnSweepCheck:
      case C::InjectionEndlessCheck:
      case C::IntervalEndlessCheck:
      case C::LineOptionCheck:
      case C::ProgramCheck:
      case C::Line:
      case C::OneShotMode:
        return true;
      default:
        return false;
    }
  }
};

}  // namespace hvt::testing
