// What a screen reader finds in the running program's windows, in both
// languages: every control it can act on is named, none by its own value,
// and no description carries markup.

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
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

#include "model/StringTable.h"
#include "platform/SystemLanguage.h"
#include "run/CPELKView.h"
#include "support/AppFolders.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/SpinArrows.h"

namespace hvt {
namespace {

bool ActedOn(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
      return true;
    default:
      return false;
  }
}

// The tree below one window as a screen reader walks it.
struct Walk {
  explicit Walk(QObject* window) { Visit(QAccessible::queryAccessibleInterface(window), {}); }

  void Visit(QAccessibleInterface* node, const QString& path) {
    if (!node || !node->isValid()) return;
    QObject* object = node->object();
    const QString here = path + QLatin1Char('/') +
                         (object && !object->objectName().isEmpty() ? object->objectName()
                          : object ? QString::fromLatin1(object->metaObject()->className())
                                   : QStringLiteral("role%1").arg(static_cast<int>(node->role())));
    if (object) reached.insert(object);
    if (ActedOn(node->role()) || qobject_cast<SpinArrows*>(object)) {
      ++judged;
      const QString name = node->text(QAccessible::Name);
      // A list's or table's value is its name: only a combo's entry and an
      // edit's text are values that could stand in for a name.
      QString value;
      if (auto* combo = qobject_cast<QComboBox*>(object)) value = combo->currentText();
      if (auto* edit = qobject_cast<QLineEdit*>(object)) value = edit->text();
      if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) value = memo->toPlainText();
      if (name.trimmed().isEmpty()) {
        faults << here + QStringLiteral(": no name");
      } else if (!value.isEmpty() && name == value) {
        faults << here + QStringLiteral(": named by its value \"%1\"").arg(value);
      }
      if (Qt::mightBeRichText(node->text(QAccessible::Description)))
        faults << here + QStringLiteral(": markup in ") + node->text(QAccessible::Description);
    }
    for (int i = 0; i < node->childCount(); ++i) Visit(node->child(i), here);
  }

  QStringList faults;
  std::set<QObject*> reached;
  int judged = 0;
};

QAccessibleInterface* Iface(QObject* o) { return QAccessible::queryAccessibleInterface(o); }
QString NameOf(QObject* o) { return Iface(o)->text(QAccessible::Name); }
QString DescriptionOf(QObject* o) { return Iface(o)->text(QAccessible::Description); }

// The labels a control is labelled by, as a screen reader learns them.
std::set<QObject*> LabelsOf(QObject* o) {
  std::set<QObject*> labels;
  for (const auto& [other, relation] : Iface(o)->relations(QAccessible::Label)) {
    if (other->object()) labels.insert(other->object());
  }
  return labels;
}

// The running program, in one language.
struct Running {
  explicit Running(const char* language) : folders("hvt-a11y") {
    AppOptions options;
    options.simulate = true;
    options.language = QString::fromLatin1(language);
    app = std::make_unique<CPELKApp>(options);
    started = app->Start();
  }
  ~Running() {
    if (started) {
      app->View().doc.SetModifiedFlag(false);
      app->Frame().close();
    }
    app.reset();
    ApplyLanguage(Language::English);
  }
  QWidget* C(int id) const { return app->Window().Control(id); }
  QString LabelText(int id) const { return qobject_cast<QLabel*>(C(id))->text(); }

  testing::AppFolders folders;
  std::unique_ptr<CPELKApp> app;
  bool started = false;
};

// Walks every dialog as it opens, runs the checks given for its class, and
// closes it as Cancel would.
struct DialogWalker {
  DialogWalker() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible()) return;
      // The class without its namespace.
      const std::string kind =
          QString::fromLatin1(dialog->metaObject()->className()).section("::", -1).toStdString();
      Walk walk(dialog);
      walked[kind] += walk.judged;
      for (const QString& fault : walk.faults) faults << QString::fromStdString(kind) + fault;
      if (auto check = checks.find(kind); check != checks.end()) check->second(*dialog);
      dialog->reject();
    });
    timer.start();
  }
  QTimer timer;
  std::map<std::string, std::function<void(QDialog&)>> checks;
  std::map<std::string, int> walked;  // controls judged, by the dialog's class
  QStringList faults;
};

// Opens every dialog the window has, from the controls and menus that open
// them: names, memo, the program editor, the RS-232 set-up, the report's
// set-up dialogs and About.
void OpenEveryDialog(Running& r) {
  for (int id : {1070, 1057}) QTest::mouseClick(r.C(id), Qt::LeftButton);
  QTest::mouseClick(r.C(1051), Qt::LeftButton, {}, QPoint(4, r.C(1051)->height() / 2));
  ASSERT_TRUE(r.app->View().doc.programMode);
  auto* list = qobject_cast<QListWidget*>(r.C(1041));
  const QPoint at = list->visualItemRect(list->item(0)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  for (int command : {MainFrame::kRs232Setup, MainFrame::kEquipmentName, MainFrame::kTestConditions,
                      MainFrame::kAppAbout}) {
    r.app->Frame().Action(command)->trigger();
  }
}

const std::set<std::string> kDialogs{
    "UnitSelectionDialog", "NameDialog",           "MemoDialog", "Rs232Dialog",
    "EquipmentNameDialog", "TestConditionsDialog", "AboutDialog"};

std::set<std::string> Walked(const DialogWalker& walker) {
  std::set<std::string> kinds;
  for (const auto& [kind, judged] : walker.walked) {
    EXPECT_GT(judged, 0) << kind;
    kinds.insert(kind);
  }
  return kinds;
}

// Form controls an operator acts on, which the walk must reach.
bool Operable(QWidget* w) {
  return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
         qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
         qobject_cast<SpinArrows*>(w);
}

TEST(Accessibility, EveryControlOfTheWindowAndItsDialogsIsNamedInEnglish) {
  Running r("en");
  ASSERT_TRUE(r.started);
  Walk walk(&r.app->Frame());
  EXPECT_EQ(walk.faults.join('\n').toStdString(), "");
  for (const auto& [id, w] : r.app->Window().Controls()) {
    if (Operable(w)) {
      EXPECT_TRUE(walk.reached.count(w)) << "control " << id << " not reached";
    }
  }

  // The two time boxes, once both "0 - 999s ( 1s Step )", are told apart
  // by their labels; the range is their description.
  EXPECT_EQ(NameOf(r.C(1008)), "Pulse Injection Time");
  EXPECT_EQ(NameOf(r.C(1009)), "Interval Time");
  EXPECT_EQ(DescriptionOf(r.C(1009)), "0 - 999s  ( 1s Step )");
  EXPECT_EQ(r.C(1009)->toolTip(), "0 - 999s  ( 1s Step )");
  EXPECT_EQ(NameOf(r.C(1002)), "Voltage");
  EXPECT_EQ(NameOf(r.C(1034)), "Voltage Step");
  EXPECT_EQ(NameOf(r.C(1004)), "Voltage Step");
  for (int edit : {1002, 1004}) {
    EXPECT_TRUE(r.C(edit)->toolTip().contains("kV")) << edit;
    EXPECT_EQ(DescriptionOf(r.C(edit)), r.C(edit)->toolTip()) << edit;
  }
  EXPECT_EQ(NameOf(r.C(1006)), "Trigger Stop");
  EXPECT_EQ(NameOf(r.C(1018)), "Polarity Sweep");
  // Combo boxes by their label, their entry only as their value.
  EXPECT_EQ(NameOf(r.C(1000)), "Polarity");
  EXPECT_EQ(Iface(r.C(1000))->text(QAccessible::Value), "+");
  EXPECT_EQ(NameOf(r.C(1064)), "Sequence row 1");
  EXPECT_EQ(NameOf(r.C(1069)), "Sequence row 6");
  EXPECT_EQ(NameOf(r.C(1013)), "Phase");
  EXPECT_EQ(NameOf(r.C(1011)), "Variable");
  EXPECT_EQ(NameOf(r.C(1041)), "Program steps");
  EXPECT_EQ(NameOf(r.C(1052)), "START");  // an icon button by its tip
  // Labels are their controls' buddies, and say so to a screen reader.
  for (auto [label, control] : {std::pair{1153, 1002}, {1137, 1013}, {1171, 1172}, {1159, 1047}}) {
    EXPECT_EQ(qobject_cast<QLabel*>(r.C(label))->buddy(), r.C(control)) << label;
    EXPECT_TRUE(LabelsOf(r.C(control)).count(r.C(label))) << control;
  }

  DialogWalker walker;
  // The editor's buttons: a plain description, the tip still in its
  // 200-pixel balloon.
  walker.checks["UnitSelectionDialog"] = [](QDialog& d) {
    auto* del = d.findChild<QAbstractButton*>("c1114");
    ASSERT_NE(del, nullptr);
    EXPECT_EQ(DescriptionOf(del), "Deletes the selected (blinking) unit");
    EXPECT_TRUE(del->toolTip().contains("width=\"200\""));
    EXPECT_EQ(NameOf(d.findChild<QTableWidget*>("c1070")), "Units (Select by a double click.)");
  };
  walker.checks["Rs232Dialog"] = [](QDialog& d) {
    EXPECT_EQ(NameOf(d.findChild<QComboBox*>("c1031")), "Com port");
  };
  walker.checks["NameDialog"] = [](QDialog& d) {
    EXPECT_EQ(NameOf(d.findChild<QTableWidget*>("list")), d.windowTitle());
  };
  OpenEveryDialog(r);
  EXPECT_EQ(walker.faults.join('\n').toStdString(), "");
  EXPECT_EQ(Walked(walker), kDialogs);
}

TEST(Accessibility, TheJapaneseEditionNamesEveryControlInJapanese) {
  Running r("ja");
  ASSERT_TRUE(r.started);
  ASSERT_EQ(StringTable::CurrentLanguage(), Language::Japanese);
  Walk walk(&r.app->Frame());
  EXPECT_EQ(walk.faults.join('\n').toStdString(), "");

  // Names are the labels' Japanese texts, or the table's Japanese names.
  EXPECT_EQ(NameOf(r.C(1002)), r.LabelText(1153));
  EXPECT_EQ(NameOf(r.C(1002)), QString::fromUtf8("電圧"));
  EXPECT_EQ(NameOf(r.C(1003)), QString::fromUtf8("電圧 終了"));
  EXPECT_EQ(NameOf(r.C(1024)), QString::fromUtf8("リターンライン"));
  EXPECT_EQ(NameOf(r.C(1008)), QString::fromUtf8("パルス印加時間"));
  EXPECT_EQ(NameOf(r.C(1064)), QString::fromUtf8("シーケンス 1 段目"));
  EXPECT_EQ(NameOf(r.C(1042)), QString::fromUtf8("前のユニット"));
  EXPECT_EQ(NameOf(r.C(1005)), QString::fromUtf8("トリガ"));
  auto* up = r.C(1015)->findChildren<QAbstractButton*>().value(0);
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(NameOf(up), QString::fromUtf8("電圧 を上げる"));

  DialogWalker walker;
  walker.checks["TestConditionsDialog"] = [](QDialog& d) {
    EXPECT_EQ(NameOf(d.findChild<QLineEdit*>("c1247")), QString::fromUtf8("温度"));
    EXPECT_EQ(NameOf(d.findChild<QLineEdit*>("c1056")), QString::fromUtf8("温度 (上限)"));
  };
  walker.checks["EquipmentNameDialog"] = [](QDialog& d) {
    EXPECT_EQ(NameOf(d.findChild<QLineEdit*>("c1011")), QString::fromUtf8("形名"));
  };
  OpenEveryDialog(r);
  EXPECT_EQ(walker.faults.join('\n').toStdString(), "");
  EXPECT_EQ(Walked(walker), kDialogs);
}

}  // namespace
}  // namespace hvt

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
