#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hvt {

// A font a dialog asks for one of its controls. The face name is bytes in
// the document's code page, as the string table holds it.
struct DialogFont {
  std::string face;
  int pixelHeight = 0;
  int weight = 400;
  bool fixedPitch = false;
  bool serif = false;
  bool operator==(const DialogFont&) const = default;
};

// The widgets of the report set-up dialogs ("Equipment name input", "Test
// conditions") by their template IDs. Texts are bytes in the document's
// code page.
class ReportDialogControls {
 public:
  virtual ~ReportDialogControls() = default;

  virtual void SetText(int id, const std::string& text) = 0;
  virtual std::string Text(int id) const = 0;
  // Typing may not make the text longer than `bytes` bytes; a longer text
  // already in the box stays whole until the operator shortens it.
  virtual void LimitText(int id, size_t bytes) = 0;
  virtual void Check(int id, bool checked) = 0;
  virtual bool IsChecked(int id) const = 0;
  virtual void SetFont(int id, const DialogFont& font) = 0;
  // A drop-down list: its items and the one chosen (an index into them).
  virtual void SetChoices(int id, const std::vector<std::string>& items, int chosen) = 0;
  virtual int Choice(int id) const = 0;
};

// Whether an edit limited to `limit` bytes takes a change from `before` to
// `after` bytes: always when the result fits, else only when it shortens
// the text (a stored text longer than the limit may still be cut down).
constexpr bool TextLimitAllows(size_t before, size_t after, size_t limit) {
  return after <= limit || after < before;
}

}  // namespace hvt
