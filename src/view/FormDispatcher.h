#pragma once

#include <functional>
#include <map>

#include "form/SpinRepeat.h"
#include "ports/FormEvents.h"

namespace hvt {

class CPELKView;

// The view's entry for everything the form's widgets report: each event goes
// to the handler that owns it. Handlers that later parts of the program
// bring (unit and program lists, dialogs, file and print commands) are
// registered in the hook tables below.
class FormDispatcher : public FormEvents {
 public:
  explicit FormDispatcher(CPELKView& view);

  void OnClick(ControlId id) override;
  void OnSelect(ControlId id, int index) override;
  void OnEditFocusGained(ControlId id) override;
  void OnEditFocusLost(ControlId id) override;
  void OnEditChanged(ControlId id, const std::string& text) override;
  void OnSpin(ControlId spin, int position) override;
  void OnSpinArrow(ControlId spin, ArrowAction action, int direction) override;
  void OnTabSelected(int page) override;
  void OnListClick(ControlId id, int row) override;
  void OnListDoubleClick(ControlId id, int row) override;
  Disposition OnKey(const KeyEvent& event) override;
  Disposition OnMouse(const MouseEvent& event) override;
  void OnCommand(CommandId command) override;
  bool OnContextMenu(bool insideConditionTab) override;

  // The run-time input filter decides about raw keys and mouse events;
  // until it is connected everything passes.
  std::function<Disposition(const KeyEvent&)> keyFilter;
  std::function<Disposition(const MouseEvent&)> mouseFilter;
  // Handlers owned elsewhere.
  std::map<ControlId, std::function<void()>> clickHandlers;
  std::map<CommandId, std::function<void()>> commandHandlers;
  std::function<void(ControlId, int)> listClick;
  std::function<void(ControlId, int)> listDoubleClick;

 private:
  // A widget that is hidden or disabled reports nothing.
  bool Usable(ControlId id) const;

  CPELKView& view;
  SpinRepeat spinRepeat;
};

}  // namespace hvt
