#include "form/MemoEditor.h"

#include <utility>

namespace hvt {

void MemoEditor::OnInitDialog(MemoDialogView& view) {
  view.SetCaption(caption);
  view.SetText(text);
  view.LimitText(kLimit);
}

void MemoEditor::OnOK(std::string contents) { text = std::move(contents); }

}  // namespace hvt
