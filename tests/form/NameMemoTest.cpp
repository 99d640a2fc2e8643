#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "form/MemoEditor.h"
#include "form/NameEditor.h"
#include "model/DocumentFile.h"
#include "support/FormRig.h"

namespace hvt {
namespace {

using C = ControlId;
using testing::FormRig;

// The names list as the dialog would show it.
struct ShownNames : NameDialogView {
  explicit ShownNames(int page = 1252) : page(page) {}
  int CodePage() const override { return page; }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetColumn(int column, const std::string& title, int width) override {
    columns[column] = {title, width};
  }
  void SetCell(int row, int column, const std::string& text) override {
    cells[{row, column}] = text;
  }
  int page;
  std::string caption;
  std::map<int, std::pair<std::string, int>> columns;
  std::map<std::pair<int, int>, std::string> cells;
};

// The operator's part in each dialog, scripted per test. A dialog that has
// no script is cancelled.
struct OperatorDialogs : Dialogs {
  bool Run(NameEditor& editor) override {
    ++namesOpened;
    ShownNames shown(codePage);
    editor.OnInitDialog(shown);
    lastNames = shown;
    return names && names(editor);
  }
  bool Run(MemoEditor& editor) override {
    ++memosOpened;
    struct : MemoDialogView {
      void SetCaption(const std::string& text) override { caption = text; }
      void SetText(const std::string& text) override { this->text = text; }
      void LimitText(size_t bytes) override { limit = bytes; }
      std::string caption, text;
      size_t limit = 0;
    } shown;
    editor.OnInitDialog(shown);
    memoCaption = shown.caption;
    memoShown = shown.text;
    memoLimit = shown.limit;
    if (!memo) return false;
    std::optional<std::string> typed = memo(shown.text);
    if (!typed) return false;
    editor.OnOK(*typed);
    return true;
  }
  int codePage = 1252;
  std::function<bool(NameEditor&)> names;
  // Gets the shown text, answers the text at OK or nullopt for Cancel.
  std::function<std::optional<std::string>(const std::string&)> memo;
  int namesOpened = 0;
  int memosOpened = 0;
  ShownNames lastNames;
  std::string memoCaption, memoShown;
  size_t memoLimit = 0;
};

// Renames one row as an operator does: start editing, type, end.
std::function<bool(NameEditor&)> Rename(int row, std::string typed) {
  return [row, typed](NameEditor& e) {
    e.BeginLabelEdit(row);
    e.EndLabelEdit(row, typed);
    e.OnOK();
    return true;
  };
}

// A names dialog on its own, filled as the view fills it.
NameEditor Names(std::vector<std::string> names, ShownNames& shown) {
  NameEditor e;
  e.names = std::move(names);
  e.entryCount = static_cast<int>(e.names.size());
  e.OnInitDialog(shown);
  return e;
}

TEST(NameEditor, EndOfEditTrimsCutsAndPads) {
  ShownNames shown;
  NameEditor e = Names({"Old 1 ", "Old 2 ", "Old 3 ", "Old 4 ", "Old 5 "}, shown);
  e.EndLabelEdit(0, "A");
  EXPECT_EQ(e.ItemText(0), "A     ");
  EXPECT_EQ((shown.cells[{0, 0}]), "A     ");
  e.EndLabelEdit(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
  EXPECT_EQ(e.ItemText(1), "ABCDEFGHIJKLMNOPQRST");
  // Leading blanks go; the typed trailing ones stay.
  e.EndLabelEdit(2, " \t  Pump test  ");
  EXPECT_EQ(e.ItemText(2), "Pump test  ");
  // Nothing left after the blanks: the name stays.
  e.EndLabelEdit(3, "");
  e.EndLabelEdit(3, "    ");
  EXPECT_EQ(e.ItemText(3), "Old 4 ");
  // Rows outside the list are ignored.
  e.EndLabelEdit(5, "X");
  e.EndLabelEdit(-1, "X");
  EXPECT_EQ(e.Rows(), 5);

  e.OnOK();
  EXPECT_EQ(e.edited, 1);
  EXPECT_EQ(e.names[0], "A     ");
  EXPECT_EQ(e.names[3], "Old 4 ");
  EXPECT_EQ(e.names[4], "Old 5 ");
}

TEST(NameEditor, InitialListAndEditStart) {
  ShownNames shown;
  NameEditor e;
  e.names = {"  Unit 1  ", "\tX", "ab"};
  e.entryCount = 2;  // only the first two are shown
  e.caption = "Unit Name Edit";
  e.columnTitle = "UnitName";
  e.OnInitDialog(shown);
  EXPECT_EQ(shown.caption, "Unit Name Edit");
  EXPECT_EQ(shown.columns[0], (std::pair<std::string, int>{"UnitName", 96}));
  EXPECT_EQ(shown.columns[1], (std::pair<std::string, int>{"No.", 34}));
  EXPECT_EQ(e.Rows(), 2);
  EXPECT_EQ((shown.cells[{1, 1}]), "2");
  EXPECT_EQ(shown.cells.count({2, 0}), 0u);
  // The edit starts without the blanks at either end.
  EXPECT_EQ(e.BeginLabelEdit(0), "Unit 1");
  EXPECT_EQ(e.BeginLabelEdit(1), "X");
  // Starting an edit and leaving it as it is changes no padded name.
  ShownNames shown2;
  NameEditor f = Names({"Ab    ", "Unit 2"}, shown2);
  f.EndLabelEdit(0, f.BeginLabelEdit(0));
  f.EndLabelEdit(1, f.BeginLabelEdit(1));
  f.OnOK();
  EXPECT_EQ(f.edited, 0);
  EXPECT_EQ(f.names[0], "Ab    ");
}

TEST(NameEditor, DoubleByteTextsInCodePage932) {
  ShownNames shown(932);
  // A double-byte blank (81 40) at both ends; a trail byte 0x81 followed by
  // '@' (0x40) is a character and an '@', not a blank.
  NameEditor e = Names({"\x81\x40Name\x81\x40", "Q\x88\x81@", "old   "}, shown);
  EXPECT_EQ(e.BeginLabelEdit(0), "Name");
  EXPECT_EQ(e.BeginLabelEdit(1), "Q\x88\x81@");

  // Nineteen bytes and a double-byte character: the cut goes before it.
  const std::string nineteen(19, 'k');
  e.EndLabelEdit(2, nineteen + "\x93\xfa" + "z");
  EXPECT_EQ(e.ItemText(2), nineteen);
  // Ten double-byte characters fill the twenty bytes exactly.
  std::string ten;
  for (int i = 0; i < 11; ++i) ten += "\x93\xfa";
  e.EndLabelEdit(2, ten);
  EXPECT_EQ(e.ItemText(2), ten.substr(0, 20));
  // A typed double-byte blank is leading white space too.
  e.EndLabelEdit(2, "\x81\x40\x81\x40\x93\xfa");
  EXPECT_EQ(e.ItemText(2), "\x93\xfa    ");

  // The same bytes in code page 1252 are single characters.
  ShownNames western(1252);
  NameEditor w = Names({"\x81\x40Name"}, western);
  EXPECT_EQ(w.BeginLabelEdit(0), "\x81\x40Name");
  w.EndLabelEdit(0, nineteen + "\x93\xfa");
  EXPECT_EQ(w.ItemText(0), nineteen + "\x93");
}

TEST(NameButtons, UnitNameEditRenamesAndRedraws) {
  FormRig rig;
  OperatorDialogs dialogs;
  rig.view->dialogs = &dialogs;
  rig.doc.showUnitNames = 1;
  rig.UseProgram(1, {2, 1}, 1);
  rig.UseUnit(2);
  rig.doc.SetModifiedFlag(false);

  dialogs.names = Rename(1, "A");
  rig.Click(C::UnitNameEditButton);
  ASSERT_EQ(dialogs.namesOpened, 1);
  EXPECT_EQ(dialogs.lastNames.caption, "Unit Name Edit");
  EXPECT_EQ(dialogs.lastNames.columns[0].first, "UnitName");
  EXPECT_EQ(rig.doc.unit(2).name, "A     ");
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(rig.Text(C::UnitName), "A     ");
  EXPECT_EQ(rig.form.Cell(C::ProgramList, 0), "A     ");
  // A later change on the form must not bring back the old name.
  rig.Type(C::VoltageEdit, "1.00");
  rig.Leave();
  EXPECT_EQ(rig.doc.unit(2).name, "A     ");
}

TEST(NameButtons, OkWithoutChangesLeavesTheDocumentAsItWas) {
  FormRig rig;
  OperatorDialogs dialogs;
  rig.view->dialogs = &dialogs;
  rig.doc.programMode = 1;
  rig.view->layout.EnableProgramArea();
  // Bytes that are no text in either code page, and a padded name.
  rig.doc.unit(3).name = "\x81\xff\xa0 \x80";
  rig.doc.unit(4).name = "Ab    ";
  rig.doc.program(7).name = "\xfd\xfe\xff";
  const std::string before = StoreDocument(rig.doc);

  // Editing starts and ends without a change.
  dialogs.names = [](NameEditor& e) {
    e.EndLabelEdit(3, e.BeginLabelEdit(3));
    e.OnOK();
    return true;
  };
  rig.Click(C::UnitNameEditButton);
  rig.Click(C::ProgramNameEditButton);
  EXPECT_EQ(dialogs.namesOpened, 2);
  EXPECT_FALSE(rig.doc.IsModified());
  EXPECT_EQ(StoreDocument(rig.doc), before);

  // Cancel after a change leaves everything too.
  dialogs.names = [](NameEditor& e) {
    e.EndLabelEdit(0, "Changed");
    return false;
  };
  rig.Click(C::UnitNameEditButton);
  EXPECT_FALSE(rig.doc.IsModified());
  EXPECT_EQ(StoreDocument(rig.doc), before);
}

TEST(NameButtons, ProgramNameEditShowsTheCurrentProgramsName) {
  FormRig rig;
  OperatorDialogs dialogs;
  rig.view->dialogs = &dialogs;
  rig.UseProgram(3, {1}, 1);
  rig.view->layout.EnableProgramArea();
  dialogs.names = Rename(2, "Burst sequence 3");
  rig.Click(C::ProgramNameEditButton);
  ASSERT_EQ(dialogs.namesOpened, 1);
  EXPECT_EQ(dialogs.lastNames.caption, "Program Name Edit");
  EXPECT_EQ(dialogs.lastNames.columns[0].first, "ProgramName");
  EXPECT_EQ(rig.doc.program(3).name, "Burst sequence 3");
  EXPECT_EQ(rig.Text(C::ProgramName), "Burst sequence 3");
  EXPECT_TRUE(rig.doc.IsModified());
}

TEST(MemoButtons, TestMemoMarksOnlyAChangeProgramMemoEveryOk) {
  FormRig rig;
  OperatorDialogs dialogs;
  rig.view->dialogs = &dialogs;
  rig.UseProgram(2, {1}, 1);
  rig.view->layout.EnableProgramArea();
  rig.doc.testMemo = "line 1\r\nline 2";
  rig.doc.program(2).memo = "step memo";
  rig.doc.SetModifiedFlag(false);

  dialogs.memo = [](const std::string& shown) { return shown; };
  rig.Click(C::TestMemoButton);
  EXPECT_EQ(dialogs.memoCaption, "Test Memo");
  EXPECT_EQ(dialogs.memoShown, "line 1\r\nline 2");
  EXPECT_EQ(dialogs.memoLimit, 1024u);
  EXPECT_FALSE(rig.doc.IsModified());

  rig.Click(C::ProgramMemoButton);
  EXPECT_EQ(dialogs.memoCaption, "Program Memo");
  EXPECT_EQ(dialogs.memoShown, "step memo");
  EXPECT_EQ(rig.doc.program(2).memo, "step memo");
  EXPECT_TRUE(rig.doc.IsModified());

  rig.doc.SetModifiedFlag(false);
  dialogs.memo = [](const std::string& shown) { return shown + "\r\nline 3"; };
  rig.Click(C::TestMemoButton);
  EXPECT_EQ(rig.doc.testMemo, "line 1\r\nline 2\r\nline 3");
  EXPECT_TRUE(rig.doc.IsModified());

  // Cancel stores nothing and marks nothing.
  rig.doc.SetModifiedFlag(false);
  dialogs.memo = [](const std::string&) { return std::nullopt; };
  rig.Click(C::ProgramMemoButton);
  rig.Click(C::TestMemoButton);
  EXPECT_EQ(rig.doc.program(2).memo, "step memo");
  EXPECT_FALSE(rig.doc.IsModified());
}

TEST(NameMemoButtons, ClosedDuringARunAndProgramOnesOutsideSequenceMode) {
  FormRig rig;
  OperatorDialogs dialogs;
  rig.view->dialogs = &dialogs;
  dialogs.memo = [](const std::string& shown) { return shown; };
  dialogs.names = [](NameEditor& e) {
    e.OnOK();
    return true;
  };
  // MANUAL: the unit buttons open, the program ones are disabled.
  ASSERT_EQ(rig.doc.programMode, 0);
  for (ControlId id :
       {C::TestMemoButton, C::UnitNameEditButton, C::ProgramMemoButton, C::ProgramNameEditButton}) {
    rig.Click(id);
  }
  EXPECT_EQ(dialogs.memosOpened, 1);
  EXPECT_EQ(dialogs.namesOpened, 1);

  rig.Click(C::ProgramCheck);
  ASSERT_EQ(rig.doc.programMode, 1);
  rig.Click(C::ProgramMemoButton);
  rig.Click(C::ProgramNameEditButton);
  EXPECT_EQ(dialogs.memosOpened, 2);
  EXPECT_EQ(dialogs.namesOpened, 2);

  // A program run locks all four.
  rig.UseProgram(1, {1}, 1);
  rig.Unit(1, 5, 5);
  rig.Start();
  ASSERT_TRUE(rig.view->RunActive());
  for (ControlId id :
       {C::TestMemoButton, C::UnitNameEditButton, C::ProgramMemoButton, C::ProgramNameEditButton}) {
    rig.Click(id);
  }
  EXPECT_EQ(dialogs.memosOpened, 2);
  EXPECT_EQ(dialogs.namesOpened, 2);
  ASSERT_TRUE(rig.RunToEnd(60000));
  rig.Click(C::UnitNameEditButton);
  EXPECT_EQ(dialogs.namesOpened, 3);
}

}  // namespace
}  // namespace hvt
