#pragma once

#include <string>

#include "ports/ControlId.h"
#include "ports/InputEvents.h"

namespace hvt {

// An arrow of a spin control: pressed, repeating while held, released.
enum class ArrowAction { Press, Repeat, Release };

// What the form's widgets report to the core: one entry per kind of thing
// the operator did. The widget layer forwards only the operator's own
// actions (text edited, entry activated, button clicked), never the
// notifications that also fire when the program changes a control: the core
// runs those itself. Checkable buttons have already changed their check
// state when OnClick arrives; a combo has already moved to the entry.
class FormEvents {
 public:
  virtual ~FormEvents() = default;

  // Buttons, check boxes, radio buttons and clickable statics.
  virtual void OnClick(ControlId id) = 0;
  // The operator chose an entry of a combo box.
  virtual void OnSelect(ControlId id, int index) = 0;
  // An edit box gained or lost the input focus.
  virtual void OnEditFocusGained(ControlId id) = 0;
  virtual void OnEditFocusLost(ControlId id) = 0;
  // The operator changed the text of an edit box to the text given.
  virtual void OnEditChanged(ControlId id, const std::string& text) = 0;
  // A spin control reached its final position after an arrow click.
  virtual void OnSpin(ControlId spin, int position) = 0;
  // An arrow of a spin control went down, repeated while held, or came up;
  // direction +1 up, -1 down. The core moves the position.
  virtual void OnSpinArrow(ControlId spin, ArrowAction action, int direction) = 0;
  // The operator selected a page of the tab control.
  virtual void OnTabSelected(int page) = 0;
  // Clicks on rows of the report-style lists.
  virtual void OnListClick(ControlId id, int row) = 0;
  virtual void OnListDoubleClick(ControlId id, int row) = 0;
  // Raw input before any control sees it.
  virtual Disposition OnKey(const KeyEvent& event) = 0;
  virtual Disposition OnMouse(const MouseEvent& event) = 0;
  // A command of the main menu, tool bar, accelerators or context menu.
  virtual void OnCommand(CommandId command) = 0;
  // A right-click on the form; true when the unit menu (Copy, Paste) is to
  // be shown at the point pressed.
  virtual bool OnContextMenu(bool insideConditionTab) = 0;
};

}  // namespace hvt
