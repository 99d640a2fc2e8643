#pragma once

#include <climits>
#include <functional>
#include <map>
#include <string>
#include <utility>
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
    std::string text;
    std::string toolTip;
    Image image = Image::None;
    std::vector<std::string> items;
  };

  std::function<void(const std::string&)> onStatusText;  // on every change
  std::function<void(int)> onProgress;
  std::function<void(Beep)> onBeep;

  void Enable(ControlId id, bool enabled) override { controls[id].enabled = enabled; }
  bool IsEnabled(ControlId id) const override { return Get(id).enabled; }
  void Show(ControlId id, bool visible) override { controls[id].visible = visible; }
  void Check(ControlId id, bool checked) override { controls[id].checked = checked; }
  bool IsChecked(ControlId id) const override { return Get(id).checked; }
  void SetText(ControlId id, const std::string& text) override { controls[id].text = text; }
  std::string Text(ControlId id) const override { return Get(id).text; }
  void SetImage(ControlId id, Image image) override { controls[id].image = image; }
  void SetToolTip(ControlId id, const std::string& text) override { controls[id].toolTip = text; }
  void SetTabStop(ControlId id, bool tabStop) override { controls[id].tabStop = tabStop; }
  void Focus(ControlId id) override { focus = id; }
  void Repaint(ControlId) override {}
  // New items replace the old ones and the list's cells; a combo whose text
  // is not among them shows the first.
  void SetItems(ControlId id, const std::vector<std::string>& items) override {
    State& state = controls[id];
    state.items = items;
    cells.erase(cells.lower_bound({id, INT_MIN}), cells.upper_bound({id, INT_MAX}));
    bool listed = false;
    for (const std::string& item : items) listed = listed || item == state.text;
    if (!listed) state.text = items.empty() ? std::string() : items.front();
  }
  void SetCell(ControlId id, int item, const std::string& text) override {
    cells[{id, item}] = text;
  }
  void SelectRow(ControlId id, int row) override { selectedRows[id] = row; }

  void SetStatusText(const std::string& text) override {
    if (text == status) return;
    status = text;
    if (onStatusText) onStatusText(text);
  }
  void SetProgress(int percent) override {
    progress = percent;
    if (onProgress) onProgress(percent);
  }
  void MessageBeep(Beep kind) override {
    if (onBeep) onBeep(kind);
  }
  void EnableClose(bool enabled) override { closeEnabled = enabled; }
  void EnableFrame(bool enabled) override { frameEnabled = enabled; }
  void SetWaitCursor(bool waiting) override { waitCursor = waiting; }
  void DropPendingInput() override { ++inputDrops; }

  const State& Get(ControlId id) const {
    static const State fresh;
    auto it = controls.find(id);
    return it == controls.end() ? fresh : it->second;
  }
  std::string Cell(ControlId id, int item) const {
    auto it = cells.find({id, item});
    return it == cells.end() ? std::string() : it->second;
  }

  std::map<ControlId, State> controls;
  std::map<std::pair<ControlId, int>, std::string> cells;
  std::map<ControlId, int> selectedRows;
  std::string status;
  int progress = 0;
  ControlId focus = ControlId::Start;
  bool closeEnabled = true;
  bool frameEnabled = true;
  bool waitCursor = false;
  int inputDrops = 0;
};

}  // namespace hvt
