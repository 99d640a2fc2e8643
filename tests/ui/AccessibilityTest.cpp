// What a screen reader finds in the running program's window and dialogs,
// in both languages: every control it can act on is named, none by its own
// value, and no description carries markup.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/SystemLanguage.h"
#include "support/AppFolders.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/SpinArrows.h"
#include "view/CPELKView.h"

namespace hvt {
namespace {

QAccessibleInterface* Iface(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
QString NameOf(QObject* o) { return Iface(o)->text(QAccessible::Name); }

// The faults of the tree below `node`: controls to act on without a name,
// named by their entry or text, or described with markup.
void Walk(QAccessibleInterface* node, const QString& path, QStringList& faults,
          std::set<QObject*>* reached = nullptr, std::map<QString, int>* checkNames = nullptr) {
  static const std::set<QAccessible::Role> kActedOn{
      QAccessible::PushButton,   QAccessible::CheckBox, QAccessible::RadioButton,
      QAccessible::ButtonMenu,   QAccessible::ComboBox, QAccessible::SpinBox,
      QAccessible::EditableText, QAccessible::List,     QAccessible::Table};
  QObject* o = node->object();
  if (reached) reached->insert(o);
  const QString here = path + '/' + (o ? o->objectName() + ':' + o->metaObject()->className() : "");
  if (kActedOn.count(node->role()) || qobject_cast<SpinArrows*>(o)) {
    const QString name = node->text(QAccessible::Name);
    QString value;  // a list's or table's value is its name
    if (auto* combo = qobject_cast<QComboBox*>(o)) value = combo->currentText();
    if (auto* edit = qobject_cast<QLineEdit*>(o)) value = edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(o)) value = memo->toPlainText();
    if (name.trimmed().isEmpty()) faults << here + " has no name";
    if (!value.isEmpty() && name == value) faults << here + " is named by its value " + value;
    if (Qt::mightBeRichText(node->text(QAccessible::Description))) faults << here + " markup";
    // Two check boxes of one name cannot be told apart by ear.
    if (checkNames && node->role() == QAccessible::CheckBox && ++(*checkNames)[name] == 2)
      faults << here + " has the name of another check box: " + name;
  }
  for (int i = 0; i < node->childCount(); ++i)
    Walk(node->child(i), here, faults, reached, checkNames);
}

class Accessibility : public ::testing::TestWithParam<const char*> {};

// The window, then every dialog it opens (walked and cancelled as it
// comes up): names, memo, program editor, RS-232, the report's set-ups and
// About; names from labels in the language shown.
TEST_P(Accessibility, EveryControlOfTheWindowAndItsDialogsIsNamed) {
  const bool ja = QString(GetParam()) == "ja";
  testing::AppFolders folders("hvt-a11y");
  AppOptions options;
  options.simulate = true;
  options.language = GetParam();
  CPELKApp app(options);
  ASSERT_TRUE(app.Start());
  const auto c = [&app](int id) { return app.Window().Control(id); };
  QStringList faults;
  std::set<QObject*> reached;
  std::map<QString, int> checkNames;
  Walk(Iface(&app.Frame()), "", faults, &reached, &checkNames);
  for (const auto& [id, w] : app.Window().Controls()) {
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
        qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w))
      EXPECT_TRUE(reached.count(w)) << id << " is not in the tree";
  }

  const auto label = [&](int id) { return qobject_cast<QLabel*>(c(id))->text(); };
  EXPECT_EQ(NameOf(c(1008)), label(1168));  // the two time boxes, once both "0 - 999s ..."
  EXPECT_EQ(NameOf(c(1009)), label(1091));
  EXPECT_EQ(Iface(c(1009))->text(QAccessible::Description), c(1009)->toolTip());
  EXPECT_EQ(NameOf(c(1003)), label(1153) + ' ' + label(1100));
  EXPECT_EQ(qobject_cast<QLabel*>(c(1153))->buddy(), c(1002));
  EXPECT_EQ(NameOf(c(1000)), ja ? QString::fromUtf8("極性") : "Polarity");  // value "+"
  EXPECT_EQ(NameOf(c(1064)), ja ? QString::fromUtf8("シーケンス 1 段目") : "Sequence row 1");
  EXPECT_EQ(NameOf(c(1015)->findChild<QAbstractButton*>()),
            ja ? QString::fromUtf8("電圧 を上げる") : "Voltage up");

  std::set<std::string> walked;
  QTimer walker;
  QObject::connect(&walker, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    walked.insert(QString(dialog->metaObject()->className()).section("::", -1).toStdString());
    Walk(Iface(dialog), dialog->objectName(), faults);
    if (const char* shot = std::getenv("HVT_SCREENSHOT_DIR")) {
      dialog->grab().save(
          QStringLiteral("%1/%2-%3.png").arg(shot, dialog->objectName(), GetParam()));
    }
    if (auto* del = dialog->findChild<QAbstractButton*>("c1114")) {  // the editor's balloon tip
      EXPECT_TRUE(del->toolTip().contains("width=\"200\""));
      EXPECT_FALSE(Iface(del)->text(QAccessible::Description).isEmpty());
    }
    if (auto* upper = dialog->findChild<QLineEdit*>("c1056"))
      EXPECT_EQ(NameOf(upper), ja ? QString::fromUtf8("温度 (上限)") : "Temperature (upper limit)");
    dialog->reject();
  });
  walker.start(20);
  for (int id : {1070, 1057}) QTest::mouseClick(c(id), Qt::LeftButton);
  QTest::mouseClick(c(1051), Qt::LeftButton, {}, QPoint(4, c(1051)->height() / 2));
  auto* list = qobject_cast<QListWidget*>(c(1041));
  const QPoint at = list->visualItemRect(list->item(0)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  for (int command : {MainFrame::kRs232Setup, MainFrame::kEquipmentName, MainFrame::kTestConditions,
                      MainFrame::kAppAbout})
    app.Frame().Action(command)->trigger();
  EXPECT_EQ(faults.join('\n').toStdString(), "");
  if (const char* shot = std::getenv("HVT_SCREENSHOT_DIR")) {
    QMenu* file = app.Frame().menuBar()->findChild<QMenu*>();
    file->popup(app.Frame().mapToGlobal(QPoint(0, 0)));
    file->grab().save(QStringLiteral("%1/file-menu-%2.png").arg(shot, GetParam()));
    file->hide();
  }
  EXPECT_EQ(walked,
            (std::set<std::string>{"AboutDialog", "EquipmentNameDialog", "MemoDialog", "NameDialog",
                                   "Rs232Dialog", "TestConditionsDialog", "UnitSelectionDialog"}));
  app.View().doc.SetModifiedFlag(false);
  app.Frame().close();
  ApplyLanguage(Language::English);
}

INSTANTIATE_TEST_SUITE_P(Languages, Accessibility, ::testing::Values("en", "ja"));

}  // namespace
}  // namespace hvt
