#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>

#include "form/MemoEditor.h"
#include "form/NameEditor.h"
#include "model/StringTable.h"
#include "platform/CodePages.h"
#include "ui/MemoDialog.h"
#include "ui/NameDialog.h"
#include "ui/ShownText.h"

namespace hvt {
namespace {

const QString kKanji = QString::fromUtf8("\xe6\x97\xa5");  // U+65E5, 93 FA in code page 932

// Typing as a keyboard (or an input method) delivers it: one key event per
// character.
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, c == u'\n' ? Qt::Key_Return : Qt::Key_unknown, Qt::NoModifier,
                    c == u'\n' ? QStringLiteral("\r") : QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, c == u'\n' ? Qt::Key_Return : Qt::Key_unknown,
                      Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

std::unique_ptr<TextCodec> Codec(int page) { return MakeCodec(page); }

struct Memo {
  Memo(int page, std::string text) : codec(Codec(page)) {
    editor.caption = "Test Memo";
    editor.text = std::move(text);
    dialog = std::make_unique<MemoDialog>(editor, *codec);
    edit = dialog->Edit();
  }
  std::string Ok() {
    dialog->OkButton()->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    return editor.text;
  }
  void End() { edit->moveCursor(QTextCursor::End); }
  std::unique_ptr<TextCodec> codec;
  MemoEditor editor;
  std::unique_ptr<MemoDialog> dialog;
  QPlainTextEdit* edit = nullptr;
};

TEST(MemoDialog, MoreThan1024BytesCannotBeTypedOrPasted) {
  Memo m(1252, std::string(1020, 'm'));
  EXPECT_EQ(m.dialog->windowTitle(), "Test Memo");
  m.End();
  Type(m.edit, "abcdefgh");
  EXPECT_EQ(m.edit->toPlainText(), QString(1020, 'm') + "abcd");
  // A line break counts two bytes (CR LF): none fits now, nor after one
  // deleted character.
  QTest::keyClick(m.edit, Qt::Key_Backspace);
  Type(m.edit, "\n");
  EXPECT_EQ(m.edit->toPlainText(), QString(1020, 'm') + "abc");
  Type(m.edit, "x");
  // Pasted text keeps what fits, at the cursor.
  m.edit->moveCursor(QTextCursor::Start);
  QTest::keyClick(m.edit, Qt::Key_Delete);
  QTest::keyClick(m.edit, Qt::Key_Delete);
  m.edit->insertPlainText("PASTED");
  const std::string stored = m.Ok();
  EXPECT_EQ(stored.size(), 1024u);
  EXPECT_EQ(stored.substr(0, 3), "PAm");
  EXPECT_EQ(stored.substr(1020), "abcx");
}

TEST(MemoDialog, DoubleByteCharactersCountTwo) {
  Memo m(932, std::string(1021, 'm'));
  m.End();
  Type(m.edit, kKanji + kKanji + "z");
  // One double-byte character fits into 1023, the second does not; the 'z'
  // after it still does.
  EXPECT_EQ(m.edit->toPlainText(), QString(1021, 'm') + kKanji + "z");
  EXPECT_EQ(m.Ok(), std::string(1021, 'm') +
                        "\x93\xfa"
                        "z");
}

TEST(MemoDialog, ALongerStoredMemoMayShrinkButNotGrow) {
  Memo m(1252, std::string(1100, 'o'));
  m.End();
  Type(m.edit, "x");
  QTest::keyClick(m.edit, Qt::Key_Backspace);
  EXPECT_EQ(m.Ok(), std::string(1099, 'o'));
}

TEST(MemoDialog, UntouchedTextKeepsItsBytesAnEditedOneGetsCrLf) {
  // Code page 932 bytes that are no text (lone trail bytes), CR LF and a
  // lone LF: handed back as they came when nothing was changed.
  const std::string odd = "Line 1\r\n\xfd\x80 end\nx\r\n";
  Memo untouched(932, odd);
  EXPECT_EQ(untouched.edit->toPlainText().count(u'\n'), 3);
  EXPECT_EQ(untouched.Ok(), odd);

  Memo edited(1252,
              "first\r\nsecond\xa0"
              "after");
  edited.End();
  Type(edited.edit, "\nthird");
  EXPECT_EQ(edited.Ok(),
            "first\r\nsecond\xa0"
            "after\r\nthird");

  // Cancel hands nothing back.
  Memo cancelled(1252, "keep");
  Type(cancelled.edit, "more");
  cancelled.dialog->reject();
  EXPECT_EQ(cancelled.editor.text, "keep");
}

struct Names {
  explicit Names(int page, std::vector<std::string> names) : codec(Codec(page)) {
    editor.names = std::move(names);
    editor.entryCount = static_cast<int>(editor.names.size());
    editor.caption = "Unit Name Edit";
    editor.columnTitle = "UnitName";
    dialog = std::make_unique<NameDialog>(editor, *codec);
    list = dialog->List();
  }
  // Clicking into the selected name opens its edit.
  QLineEdit* StartEditing(int row) {
    list->setCurrentCell(row, 0);
    const QModelIndex index = list->model()->index(row, 0);
    list->edit(index);
    return qobject_cast<QLineEdit*>(list->indexWidget(index));
  }
  // Enter ends the edit; the list takes it when the event loop comes round.
  static void Enter(QLineEdit* edit) {
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
  }
  void Rename(int row, const QString& typed) {
    QLineEdit* edit = StartEditing(row);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    Type(edit, typed);
    Enter(edit);
  }
  QString Shown(int row) const { return list->item(row, 0)->text(); }
  std::unique_ptr<TextCodec> codec;
  NameEditor editor;
  std::unique_ptr<NameDialog> dialog;
  QTableWidget* list = nullptr;
};

std::vector<std::string> FiftyNames() {
  std::vector<std::string> names;
  for (int i = 1; i <= 50; ++i)
    names.push_back("Unit" + std::string(i < 10 ? "0" : "") + std::to_string(i));
  return names;
}

TEST(NameDialog, ListsTheNamesAndRenamesInPlace) {
  StringTable::SetLanguage(Language::English);
  Names n(1252, FiftyNames());
  EXPECT_EQ(n.dialog->windowTitle(), "Unit Name Edit");
  ASSERT_EQ(n.list->rowCount(), 50);
  EXPECT_EQ(n.list->horizontalHeaderItem(0)->text(), "UnitName");
  EXPECT_EQ(n.list->horizontalHeaderItem(1)->text(), "No.");
  EXPECT_EQ(n.list->columnWidth(0), 96);
  EXPECT_EQ(n.list->columnWidth(1), 34);
  EXPECT_EQ(n.list->item(49, 1)->text(), "50");

  n.Rename(1, "A");
  EXPECT_EQ(n.Shown(1), "A     ");
  // The edit holds twenty bytes; the rest of the typing is lost.
  n.Rename(2, QString(30, 'x'));
  EXPECT_EQ(n.Shown(2), QString(20, 'x'));
  // The edit starts with the name without its blanks.
  QLineEdit* edit = n.StartEditing(1);
  EXPECT_EQ(edit->text(), "A");
  QTest::keyClick(edit, Qt::Key_Escape);
  QCoreApplication::processEvents();

  n.dialog->OkButton()->click();
  EXPECT_EQ(n.dialog->result(), QDialog::Accepted);
  EXPECT_EQ(n.editor.edited, 1);
  EXPECT_EQ(n.editor.names[1], "A     ");
  EXPECT_EQ(n.editor.names[2], std::string(20, 'x'));
}

TEST(NameDialog, TheEditedRowTakesTheNameWhenTheSelectionMovedOn) {
  Names n(1252, FiftyNames());
  QLineEdit* edit = n.StartEditing(2);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  Type(edit, "Renamed");
  // The mouse passes over row 6 (track-select selects it), then OK ends the
  // edit.
  n.list->selectionModel()->select(n.list->model()->index(6, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  n.dialog->OkButton()->click();
  EXPECT_EQ(n.editor.names[2], "Renamed");
  EXPECT_EQ(n.editor.names[6], "Unit07");
}

TEST(NameDialog, UntouchedNamesKeepTheirBytes) {
  // Code page 932: a name with bytes that are no text, a double-byte one,
  // and a padded one. Editing without a change and OK leave all of them.
  Names n(932, {"\x81\xff\xa0 \x80z", "\x93\xfa\x96\x7b  ", "Ab    "});
  for (int row = 0; row < 3; ++row) {
    QLineEdit* edit = n.StartEditing(row);
    ASSERT_NE(edit, nullptr);
    Names::Enter(edit);
  }
  n.dialog->OkButton()->click();
  EXPECT_EQ(n.editor.edited, 0);
  EXPECT_EQ(n.editor.names[0], "\x81\xff\xa0 \x80z");
  EXPECT_EQ(n.editor.names[1], "\x93\xfa\x96\x7b  ");
}

TEST(NameDialog, DoubleByteNamesAreHeldToTwentyBytes) {
  Names n(932, {"old"});
  QLineEdit* edit = n.StartEditing(0);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  Type(edit, "x" + QString(12, kKanji[0]));
  EXPECT_EQ(edit->text(), "x" + QString(9, kKanji[0]));
  Names::Enter(edit);
  n.dialog->OkButton()->click();
  std::string expected = "x";
  for (int i = 0; i < 9; ++i) expected += "\x93\xfa";
  EXPECT_EQ(n.editor.names[0], expected);
}

TEST(FitEdit, KeepsWholeCharactersOfTheInsertion) {
  const auto codec = Codec(932);
  // A replacement in the middle keeps the head of the inserted text.
  FittedEdit f = FitEdit(*codec, "abcdef", "abXYZWdef", 8);
  EXPECT_EQ(f.text, "abXYZdef");
  EXPECT_EQ(f.cutFrom, 5);
  // A character outside the basic plane (a surrogate pair, stored as '?')
  // is never split.
  const QString pair = QString::fromUcs4(U"\U0001F600");
  f = FitEdit(*codec, "1234", "12" + pair + pair + "34", 5);
  EXPECT_EQ(f.text, "12" + pair + "34");
  EXPECT_FALSE(FitEdit(*codec, "12", "123", 3).Cut());
}

}  // namespace
}  // namespace hvt
