#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hvt {

// What the names dialog shows: a caption and a list of two columns, the
// name and its number. Texts are bytes in the code page the view reports.
class NameDialogView {
 public:
  virtual ~NameDialogView() = default;
  // The code page of the texts shown and typed (1252 or 932).
  virtual int CodePage() const = 0;
  virtual void SetCaption(const std::string& text) = 0;
  // Column 0 holds the names, column 1 their numbers; titles are centred.
  virtual void SetColumn(int column, const std::string& title, int widthPixels) = 0;
  virtual void SetCell(int row, int column, const std::string& text) = 0;
};

// The names dialog (CNameDlg): renames a list of units or programs with
// in-place editing of the name cells. It works on its own copies; the
// caller reads names and `edited` back after OK.
class NameEditor {
 public:
  // A name is kept to 20 bytes and padded with blanks to 6, so that the
  // program list's six-character cells stay aligned.
  static constexpr size_t kNameLimit = 20;
  static constexpr size_t kShortestName = 6;
  static constexpr int kList = 1078;
  static constexpr int kNameWidth = 96;
  static constexpr int kNumberWidth = 34;

  std::vector<std::string> names;  // entry 1 first
  std::string columnTitle;
  std::string caption;
  int entryCount = 0;
  int edited = 0;

  void OnInitDialog(NameDialogView& view);
  // The operator starts editing the name of `row`: the edit starts with the
  // name without blanks at either end and takes at most kNameLimit bytes.
  std::string BeginLabelEdit(int row) const;
  // The operator ends editing `row` with `typed`. Leading blanks go, the
  // rest is cut to kNameLimit bytes and padded; nothing typed leaves the
  // name as it was.
  void EndLabelEdit(int row, std::string_view typed);
  // OK: every name that differs from its list entry takes it.
  void OnOK();

  // The list's text of `row`, as the operator sees it.
  const std::string& ItemText(int row) const;
  int Rows() const { return static_cast<int>(items.size()); }

 private:
  bool ValidRow(int row) const { return row >= 0 && row < Rows(); }

  NameDialogView* view = nullptr;
  int codePage = 1252;
  std::vector<std::string> items;
};

}  // namespace hvt
