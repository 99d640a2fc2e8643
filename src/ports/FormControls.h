#pragma once

#include <string>
#include <vector>

#include "ports/ControlId.h"

namespace hvt {

enum class Beep { Standard, Asterisk };

// The form as the core sees it: controls by ID, plus the frame's status
// bar, progress bar and locks. The Qt form implements it with a table
// ID -> widget; tests record every state.
class FormControls {
 public:
  virtual ~FormControls() = default;

  virtual void Enable(ControlId id, bool enabled) = 0;
  virtual bool IsEnabled(ControlId id) const = 0;
  virtual void Show(ControlId id, bool visible) = 0;
  virtual void Check(ControlId id, bool checked) = 0;
  virtual bool IsChecked(ControlId id) const = 0;
  virtual void SetText(ControlId id, const std::string& text) = 0;
  virtual std::string Text(ControlId id) const = 0;
  virtual void SetImage(ControlId id, Image image) = 0;
  virtual void SetToolTip(ControlId id, const std::string& text) = 0;
  virtual void SetTabStop(ControlId id, bool tabStop) = 0;
  virtual void Focus(ControlId id) = 0;
  virtual void Repaint(ControlId id) = 0;
  // Combo boxes and lists: new items replace every old item (an empty list
  // empties the control); cells are then set one by one.
  virtual void SetItems(ControlId id, const std::vector<std::string>& items) = 0;
  virtual void SetCell(ControlId id, int item, const std::string& text) = 0;
  // Makes a list row fully visible and selects it.
  virtual void SelectRow(ControlId id, int row) = 0;

  // Frame.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void MessageBeep(Beep kind) = 0;
  // The Close command of the main window (grayed while the line is on).
  virtual void EnableClose(bool enabled) = 0;
  // Minimize box, the top-level menus and the toolbar.
  virtual void EnableFrame(bool enabled) = 0;
  virtual void SetWaitCursor(bool waiting) = 0;
  // Drops queued mouse clicks and key presses.
  virtual void DropPendingInput() = 0;
};

}  // namespace hvt
