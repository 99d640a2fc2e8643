#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ports/FormControls.h"

namespace hvt {

// A form without widgets: it keeps every control's state as the core sets
// it and reports what an operator would notice (status text, beeps,
// progress) through callbacks. The command line runs the view on it.
class HeadlessForm : public FormControls {
 public:
  struct State {
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    bool tabStop = true;
    bool held = false;
    std::string text;
    std::string toolTip;
    Image image = Image::None;
    std::vector<std::string> items;
    int selected = -1;
    int spinLow = 0;
    int spinHigh = 100;
    int spinPosition = 0;
    int page = 0;
    std::vector<std::vector<std::string>> rows;  // list cells by row, then column
    std::vector<ListColumn> columns;
  };

  using FormControls::Cell;
  using FormControls::SetCell;

  std::function<void(const std::string&)> onStatusText;  // on every change
  std::function<void(int)> onProgress;
  std::function<void(Beep)> onBeep;

  void Enable(ControlId id, bool enabled) override { controls[id].enabled = enabled; }
  bool IsEnabled(ControlId id) const override { return Get(id).enabled; }
  void Show(ControlId id, bool visible) override { controls[id].visible = visible; }
  bool IsShown(ControlId id) const override { return Get(id).visible; }
  void Check(ControlId id, bool checked) override { controls[id].checked = checked; }
  bool IsChecked(ControlId id) const override { return Get(id).checked; }
  // On a combo the text selects the entry that carries it.
  void SetText(ControlId id, const std::string& text) override {
    State& state = controls[id];
    state.text = text;
    state.selected = -1;
    for (size_t i = 0; i < state.items.size(); ++i) {
      if (state.items[i] == text) {
        state.selected = static_cast<int>(i);
        break;
      }
    }
  }
  std::string Text(ControlId id) const override { return Get(id).text; }
  void SetImage(ControlId id, Image image) override { controls[id].image = image; }
  void SetToolTip(ControlId id, const std::string& text) override { controls[id].toolTip = text; }
  void SetTabStop(ControlId id, bool tabStop) override { controls[id].tabStop = tabStop; }
  void Focus(ControlId id) override { focus = id; }
  void Repaint(ControlId) override {}
  // New items replace the old ones and the list's rows; a combo whose text
  // is not among them shows the first.
  void SetItems(ControlId id, const std::vector<std::string>& items) override {
    State& state = controls[id];
    state.items = items;
    state.rows.clear();
    bool listed = false;
    for (const std::string& item : items) listed = listed || item == state.text;
    if (!listed) state.text = items.empty() ? std::string() : items.front();
    SetText(id, state.text);
  }
  void SelectItem(ControlId id, int index) override {
    State& state = controls[id];
    const bool valid = index >= 0 && index < static_cast<int>(state.items.size());
    state.selected = valid ? index : -1;
    state.text = valid ? state.items[static_cast<size_t>(index)] : std::string();
  }
  int SelectedItem(ControlId id) const override { return Get(id).selected; }
  void SetCell(ControlId id, int row, int column, const std::string& text) override {
    if (row < 0 || column < 0) return;
    auto& rows = controls[id].rows;
    if (static_cast<size_t>(row) >= rows.size()) rows.resize(static_cast<size_t>(row) + 1);
    auto& cells = rows[static_cast<size_t>(row)];
    if (static_cast<size_t>(column) >= cells.size()) cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
  }
  std::string Cell(ControlId id, int row, int column) const override {
    const auto& rows = Get(id).rows;
    if (row < 0 || column < 0 || static_cast<size_t>(row) >= rows.size()) return {};
    const auto& cells = rows[static_cast<size_t>(row)];
    return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)]
                                                      : std::string();
  }
  int RowCount(ControlId id) const override { return static_cast<int>(Get(id).rows.size()); }
  void DeleteRow(ControlId id, int row) override {
    auto& rows = controls[id].rows;
    if (row >= 0 && static_cast<size_t>(row) < rows.size()) rows.erase(rows.begin() + row);
  }
  void SelectRow(ControlId id, int row) override { selectedRows[id] = row; }
  void SetColumns(ControlId id, const std::vector<ListColumn>& columns) override {
    controls[id].columns = columns;
  }
  void SetSpinRange(ControlId id, int low, int high) override {
    State& state = controls[id];
    state.spinLow = low;
    state.spinHigh = high;
  }
  void SetSpinPosition(ControlId id, int position) override {
    controls[id].spinPosition = position;
  }
  int SpinPosition(ControlId id) const override { return Get(id).spinPosition; }
  std::pair<int, int> SpinRange(ControlId id) const override {
    return {Get(id).spinLow, Get(id).spinHigh};
  }
  void SetTabPage(ControlId id, int page) override { controls[id].page = page; }
  int TabPage(ControlId id) const override { return Get(id).page; }
  std::optional<ControlId> FocusedControl() const override { return focus; }
  bool IsButtonDown(ControlId id) const override { return Get(id).held; }
  void SetCursor(CursorShape shape) override { cursor = shape; }

  void SetStatusText(const std::string& text) override {
    if (text == status) return;
    status = text;
    if (onStatusText) onStatusText(text);
  }
  void SetWarningText(const std::string& text) override { warning = text; }
  void SetProgress(int percent) override {
    progress = percent;
    if (onProgress) onProgress(percent);
  }
  void MessageBeep(Beep kind) override {
    if (onBeep) onBeep(kind);
  }
  void EnableClose(bool enabled) override { closeEnabled = enabled; }
  bool IsCloseEnabled() const override { return closeEnabled; }
  void EnableFrame(bool enabled) override { frameEnabled = enabled; }
  void SetWaitCursor(bool waiting) override { waitCursor = waiting; }
  void SetWindowTitle(const std::string& title) override { windowTitle = title; }
  void CommandStatesChanged() override { ++commandStateChanges; }
  void DropPendingInput() override { ++inputDrops; }

  const State& Get(ControlId id) const {
    static const State fresh;
    auto it = controls.find(id);
    return it == controls.end() ? fresh : it->second;
  }

  std::map<ControlId, State> controls;
  std::map<ControlId, int> selectedRows;
  std::string status;
  std::string warning;
  int progress = 0;
  ControlId focus = ControlId::Start;
  CursorShape cursor = CursorShape::Arrow;
  std::string windowTitle;
  bool closeEnabled = true;
  bool frameEnabled = true;
  bool waitCursor = false;
  int commandStateChanges = 0;
  int inputDrops = 0;
};

}  // namespace hvt
