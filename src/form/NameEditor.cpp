#include "form/NameEditor.h"

#include <algorithm>

#include "model/CodePageText.h"
#include "model/StringTable.h"

namespace hvt {

void NameEditor::OnInitDialog(NameDialogView& dialogView) {
  view = &dialogView;
  codePage = view->CodePage();
  view->SetCaption(caption);
  view->SetColumn(0, columnTitle, kNameWidth);
  view->SetColumn(1, LoadString(TextId::NumberTitle), kNumberWidth);
  const int count = std::clamp(entryCount, 0, static_cast<int>(names.size()));
  items.assign(names.begin(), names.begin() + count);
  for (int row = 0; row < count; ++row) {
    view->SetCell(row, 0, items[static_cast<size_t>(row)]);
    view->SetCell(row, 1, std::to_string(row + 1));
  }
}

std::string NameEditor::BeginLabelEdit(int row) const {
  if (!ValidRow(row)) return {};
  return std::string(TrimBlanks(ItemText(row), codePage, true, true));
}

void NameEditor::EndLabelEdit(int row, std::string_view typed) {
  if (!ValidRow(row)) return;
  // Trailing blanks stay: the padding below adds its own anyway.
  std::string_view kept = TrimBlanks(typed, codePage, true, false);
  // A cut must not leave half a double-byte character behind.
  kept = CutBytes(kept, kNameLimit, codePage);
  if (kept.empty()) return;
  std::string name(kept);
  if (name.size() < kShortestName) name.append(kShortestName - name.size(), ' ');
  // The edited row takes the name, wherever the list's selection has moved
  // since the edit began.
  items[static_cast<size_t>(row)] = name;
  if (view) view->SetCell(row, 0, name);
}

void NameEditor::OnOK() {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != names[i]) {
      names[i] = items[i];
      edited = 1;
    }
  }
}

const std::string& NameEditor::ItemText(int row) const {
  static const std::string none;
  return ValidRow(row) ? items[static_cast<size_t>(row)] : none;
}

}  // namespace hvt
