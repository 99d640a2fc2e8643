#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ports/ControlId.h"

namespace hvt {

enum class Beep { Standard, Asterisk };

// Mouse cursor over the form: the program list's edit cursor (resource 135),
// the text I-beam over editable fields, else the arrow.
enum class CursorShape { Arrow, IBeam, ProgramEdit };

// A column of a report-style list: its heading and its width in pixels.
// Every column's text is centred.
struct ListColumn {
  std::string title;
  int widthPx = 0;
  bool operator==(const ListColumn&) const = default;
};

// The form as the core sees it: controls by ID, plus the frame's status
// bar, progress bar and locks. The Qt form implements it with a table
// ID -> widget; tests record every state.
class FormControls {
 public:
  virtual ~FormControls() = default;

  virtual void Enable(ControlId id, bool enabled) = 0;
  virtual bool IsEnabled(ControlId id) const = 0;
  virtual void Show(ControlId id, bool visible) = 0;
  // Whether the control is not hidden (its window may still be off screen).
  virtual bool IsShown(ControlId id) const = 0;
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
  // empties the control, and a combo then has no selection); cells are then
  // set one by one. SetText on a combo selects the entry with that text.
  virtual void SetItems(ControlId id, const std::vector<std::string>& items) = 0;
  // Combo selection by entry index; -1 means none.
  virtual void SelectItem(ControlId id, int index) = 0;
  virtual int SelectedItem(ControlId id) const = 0;
  // List cells by row and column; setting a cell beyond the last row adds rows.
  virtual void SetCell(ControlId id, int row, int column, const std::string& text) = 0;
  virtual std::string Cell(ControlId id, int row, int column) const = 0;
  void SetCell(ControlId id, int item, const std::string& text) { SetCell(id, item, 0, text); }
  std::string Cell(ControlId id, int item) const { return Cell(id, item, 0); }
  virtual int RowCount(ControlId id) const = 0;
  virtual void DeleteRow(ControlId id, int row) = 0;
  // Makes a list row fully visible and selects it.
  virtual void SelectRow(ControlId id, int row) = 0;
  // A report-style list's columns, made once when the form is set up.
  virtual void SetColumns(ControlId id, const std::vector<ListColumn>& columns) = 0;
  // Spin controls (up-down buttons beside an edit box).
  virtual void SetSpinRange(ControlId id, int low, int high) = 0;
  virtual void SetSpinPosition(ControlId id, int position) = 0;
  virtual int SpinPosition(ControlId id) const = 0;
  // The range set last: low, high.
  virtual std::pair<int, int> SpinRange(ControlId id) const = 0;
  // The tab control's selected page.
  virtual void SetTabPage(ControlId id, int page) = 0;
  virtual int TabPage(ControlId id) const = 0;
  // The form control holding the input focus, if any.
  virtual std::optional<ControlId> FocusedControl() const = 0;
  // Whether a push button is being held down with the mouse.
  virtual bool IsButtonDown(ControlId id) const = 0;
  virtual void SetCursor(CursorShape shape) = 0;

  // Frame.
  virtual void SetStatusText(const std::string& text) = 0;
  // The warning pane after the status bar's others: the latest standing
  // warning, or empty.
  virtual void SetWarningText(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void MessageBeep(Beep kind) = 0;
  // The Close command of the main window (grayed while the line is on).
  virtual void EnableClose(bool enabled) = 0;
  virtual bool IsCloseEnabled() const = 0;
  // Minimize box, the top-level menus and the toolbar.
  virtual void EnableFrame(bool enabled) = 0;
  virtual void SetWaitCursor(bool waiting) = 0;
  virtual void SetWindowTitle(const std::string& title) = 0;
  // Menus, tool bar and accelerators ask again which commands are enabled.
  virtual void CommandStatesChanged() = 0;
  // Drops queued mouse clicks and key presses.
  virtual void DropPendingInput() = 0;
};

}  // namespace hvt
