#pragma once

#include <cstddef>
#include <string>

namespace hvt {

// What the memo dialog shows: a caption and a multi-line edit whose
// contents may not grow beyond a number of bytes.
class MemoDialogView {
 public:
  virtual ~MemoDialogView() = default;
  virtual void SetCaption(const std::string& text) = 0;
  // Texts are bytes in the document's code page, line ends CR LF.
  virtual void SetText(const std::string& text) = 0;
  virtual void LimitText(size_t bytes) = 0;
};

// The memo dialog (CNoteDlg): edits one free text. The caller fills caption
// and text and reads the text back after OK.
class MemoEditor {
 public:
  // The limit counts bytes of the stored text, as the file and the report
  // see it: a double-byte character counts 2, a line end (CR LF) 2.
  static constexpr size_t kLimit = 1024;
  static constexpr int kEdit = 1190;

  std::string text;
  std::string caption;

  void OnInitDialog(MemoDialogView& view);
  // OK with the edit's contents.
  void OnOK(std::string contents);
};

}  // namespace hvt
