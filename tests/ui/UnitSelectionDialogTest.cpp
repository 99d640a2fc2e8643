// The program editor's window, offscreen: its widgets obey the presenter,
// and in the running program a program built there reaches the form and the
// file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "model/DocumentFile.h"
#include "model/TextCodec.h"
#include "view/CPELKView.h"
#include "support/AppFolders.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualTime.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/UnitSelectionDialog.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;
using D = UnitDialogId;

struct Folders : testing::AppFolders {
  Folders() : AppFolders("hvt-editor") {}
};

// The widget variant of QTest's double click sends no press before it: an
// item view takes it for a single press. A click first makes it whole.
void DoubleClick(QAbstractItemView* view, const QRect& item) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

void DoubleClickRow(QTableWidget* table, int row) {
  DoubleClick(table, table->visualRect(table->model()->index(row, 1)));
}

void MoveMouse(QWidget* w, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// A screenshot for a person to look at, when HVT_SCREENSHOT_DIR names a folder.
void Keep(QWidget& w, const char* name) {
  const QByteArray dir = qgetenv("HVT_SCREENSHOT_DIR");
  if (!dir.isEmpty()) w.grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

TEST(UnitSelectionDialog, WidgetsFollowThePresenterAndTheCursorMarksTheUnitRows) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  doc.program(1).step(1) = 2;
  doc.program(1).step(3) = 7;
  testing::ScriptedPrompter prompter;
  UnitSelection editor(doc, prompter);
  UnitSelectionDialog dialog(editor, Cp1252Codec::Instance());
  testing::VirtualTime time;
  time.client = &editor;
  editor.Attach(dialog, time);
  editor.OnInitDialog();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  EXPECT_EQ(dialog.windowTitle(), "SelectUnit");
  QTableWidget* table = dialog.UnitTable();
  EXPECT_EQ(table->rowCount(), 50);
  EXPECT_EQ(table->columnCount(), 15);
  EXPECT_EQ(table->columnWidth(1), 90);
  EXPECT_EQ(table->item(6, 1)->text(), "Unit07");
  QListWidget* cells = dialog.ProgramCells();
  ASSERT_EQ(cells->count(), 3);
  EXPECT_EQ(cells->item(2)->text(), "Unit07");
  EXPECT_TRUE(cells->font().fixedPitch());
  EXPECT_EQ(cells->font().pixelSize(), 14);
  EXPECT_TRUE(dialog.Button(D::Last)->isChecked());
  EXPECT_TRUE(dialog.Button(D::Delete)->toolTip().contains("Deletes the selected (blinking) unit"));
  EXPECT_FALSE(dialog.Button(D::LineOn)->isVisible());

  // The mode buttons exclude each other by the presenter's word.
  QTest::mouseClick(dialog.Button(D::Posterior), Qt::LeftButton);
  EXPECT_TRUE(dialog.Button(D::Posterior)->isChecked());
  EXPECT_FALSE(dialog.Button(D::Last)->isChecked());
  EXPECT_EQ(editor.modePosterior, 1);

  // A click on the second step, a double click on unit 4: after it.
  QTest::mouseClick(cells->viewport(), Qt::LeftButton, {},
                    cells->visualItemRect(cells->item(2)).center());
  EXPECT_EQ(editor.selectedPos, 3);
  DoubleClickRow(table, 3);
  ASSERT_EQ(cells->count(), 5);
  EXPECT_EQ(cells->item(4)->text(), "Unit04");
  time.RunFor(UnitSelection::kBlinkMs);
  EXPECT_EQ(cells->item(2)->text(), "      ");
  Keep(dialog, "unit-selection");

  // Cursor 138 below the headings only.
  const int header = table->horizontalHeader()->height();
  MoveMouse(table->viewport(), QPoint(40, 20));
  EXPECT_EQ(editor.overUnitRows, 1);
  EXPECT_NE(table->viewport()->cursor().shape(), Qt::ArrowCursor);
  MoveMouse(table->horizontalHeader(), QPoint(40, header / 2));
  EXPECT_EQ(editor.overUnitRows, 0);
  EXPECT_EQ(table->viewport()->cursor().shape(), Qt::ArrowCursor);
  dialog.reject();
}

TEST(UnitSelectionDialog, TheKeyboardBuildsAProgramTabbingOnceThroughTheTable) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  testing::ScriptedPrompter prompter;
  UnitSelection editor(doc, prompter);
  UnitSelectionDialog dialog(editor, Cp1252Codec::Instance());
  testing::VirtualTime time;
  editor.Attach(dialog, time);
  editor.OnInitDialog();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTableWidget* table = dialog.UnitTable();
  ASSERT_EQ(QApplication::focusWidget(), table);
  // One Tab leaves the table; ten come back to it.
  for (QWidget* next : std::initializer_list<QWidget*>{
           dialog.ProgramCells(), dialog.Button(D::Last), dialog.Button(D::Prior),
           dialog.Button(D::Posterior), dialog.Button(D::Replace), dialog.Button(D::Delete),
           dialog.Button(D::Clear), dialog.Button(D::Ok), dialog.Button(D::Cancel), table}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
  // Space held on unit 3's row, as X11 repeats it, adds it once.
  QTest::keyClick(table, Qt::Key_Down);
  QTest::keyClick(table, Qt::Key_Down);
  EXPECT_TRUE(table->selectionModel()->isRowSelected(2));
  auto space = [table](QEvent::Type type, bool repeat) {
    QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), repeat);
    QApplication::sendEvent(table, &key);
  };
  space(QEvent::KeyPress, false);
  for (int k = 0; k < 4; ++k) {
    space(QEvent::KeyRelease, true);
    space(QEvent::KeyPress, true);
  }
  space(QEvent::KeyRelease, false);
  ASSERT_EQ(dialog.ProgramCells()->count(), 1);
  EXPECT_EQ(dialog.ProgramCells()->item(0)->text(), "Unit03");
  // Enter is OK, the step kept.
  QTest::keyClick(table, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(editor.stepCount, 1);
}

TEST(UnitSelectionDialog, AProgramBuiltInTheRunningProgramReachesTheFormAndTheFile) {
  Folders folders;
  AppOptions options;
  options.simulate = true;
  CPELKApp app(options);
  ASSERT_TRUE(app.Start());
  CPELKView& view = app.View();
  FormWindow& form = app.Window();
  // The program area is open to the operator in TEST SEQUENCE mode.
  QTest::mouseClick(form.findChild<QAbstractButton*>("c1051"), Qt::LeftButton);
  ASSERT_TRUE(view.doc.programMode);
  auto* programList = form.findChild<QListWidget*>("c1041");
  ASSERT_NE(programList, nullptr);
  ASSERT_EQ(programList->count(), 1);
  EXPECT_EQ(programList->item(0)->text(), "None  ");

  bool sawEditor = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<UnitSelectionDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;  // the test fails below: no editor came up
    sawEditor = true;
    for (int row : {2, 0, 1}) DoubleClickRow(dialog->UnitTable(), row);  // Last is pressed
    Keep(*dialog, "unit-selection-app");
    QTest::mouseClick(dialog->Button(D::Ok), Qt::LeftButton);
  });
  DoubleClick(programList, programList->visualItemRect(programList->item(0)));
  ASSERT_TRUE(sawEditor);

  ASSERT_EQ(programList->count(), 5);
  EXPECT_EQ(programList->item(0)->text(), "Unit03");
  EXPECT_EQ(programList->item(1)->text(), "->");
  EXPECT_EQ(programList->item(4)->text(), "Unit02");
  EXPECT_TRUE(view.doc.IsModified());
  CPELKDoc saved;
  ASSERT_EQ(LoadDocument(saved, StoreDocument(view.doc), Cp1252Codec::Instance()),
            LoadOutcome::Loaded);
  const ProgramRecord& p = saved.program(1);
  EXPECT_EQ((std::vector<int>{p.step(1), p.step(3), p.step(5), p.step(7)}),
            (std::vector<int>{3, 1, 2, 0}));
  EXPECT_EQ(saved.programStepCount, 3);
  view.doc.SetModifiedFlag(false);  // no save prompt on close
  app.Frame().close();
}

}  // namespace
}  // namespace hvt
