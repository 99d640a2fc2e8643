#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "form/FormTables.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"
#include "ui/AboutDialog.h"
#include "ui/CPELKApp.h"
#include "ui/DialogUnits.h"
#include "ui/FormInput.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/QtForm.h"
#include "ui/SingleInstance.h"
#include "ui/SpinArrows.h"

namespace hvt {
namespace {

TEST(KeepOnScreen, MovesOnlyAWindowThatLiesOnNoScreen) {
  const QRect primary(0, 0, 1280, 800);
  const QRect second(1280, 0, 1024, 768);
  const std::vector<QRect> screens{primary, second};
  EXPECT_EQ(KeepOnScreen(QRect(100, 50, 800, 600), screens, primary), QRect(100, 50, 800, 600));
  // Partly on the second screen is still reachable.
  EXPECT_EQ(KeepOnScreen(QRect(2200, 700, 800, 600), screens, primary), QRect(2200, 700, 800, 600));
  // A monitor that is gone: back to the primary screen, size kept.
  EXPECT_EQ(KeepOnScreen(QRect(3000, 100, 800, 600), screens, primary), QRect(0, 0, 800, 600));
  EXPECT_EQ(KeepOnScreen(QRect(-900, -700, 800, 600), screens, QRect(0, 24, 1280, 776)),
            QRect(0, 24, 800, 600));
}

struct FrameRig {
  FrameRig() : settings(std::filesystem::path(dir.path().toStdString()) / "HVT-KP4RS.INI") {}
  std::unique_ptr<MainFrame> Open() {
    auto frame = std::make_unique<MainFrame>(settings);
    auto* form = new QWidget;
    form->resize(800, 550);
    frame->SetForm(form);
    frame->RestorePosition();
    frame->show();
    return frame;
  }
  QTemporaryDir dir;
  SettingsFile settings;
};

TEST(MainFrame, FirstStartAtTheCornerThenWherePutAndNotSavedWhileCloseIsGrayed) {
  FrameRig rig;
  auto frame = rig.Open();
  EXPECT_EQ(frame->pos(), QPoint(0, 0));
  EXPECT_EQ(frame->centralWidget()->size(), QSize(800, 550));
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize());  // fixed size
  EXPECT_FALSE(frame->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  frame->move(120, 90);
  frame->EnableClose(false);
  EXPECT_FALSE(frame->close());
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(rig.settings.ReadSetting("Position", "left"), "");

  frame->EnableClose(true);
  EXPECT_TRUE(frame->close());
  EXPECT_EQ(rig.settings.ReadSetting("Position", "left"), "120");
  EXPECT_EQ(rig.settings.ReadSetting("Position", "top"), "90");
  EXPECT_EQ(DecimalValue(rig.settings.ReadSetting("Position", "right")),
            120 + frame->frameGeometry().width());
  frame.reset();
  for (int restart = 0; restart < 3; ++restart) {
    auto again = rig.Open();
    EXPECT_EQ(again->pos(), QPoint(120, 90));
    EXPECT_TRUE(again->close());
  }
}

TEST(MainFrame, LockKeyPanesFollowTheKeysBeforeTheWarningAndOnlyWhereTheyCanBeRead) {
  FrameRig rig;
  auto frame = rig.Open();
  frame->ShowLockKeys([] { return std::optional<LockKeyState>(); });
  EXPECT_TRUE(frame->LockKeyTexts().isEmpty());  // a platform that cannot tell

  auto keys = std::make_shared<LockKeyState>();
  keys->num = true;
  keys->kana = true;  // shown only in the Japanese edition
  frame = rig.Open();
  frame->SetWarningText(QStringLiteral("warning"));
  frame->ShowLockKeys([keys] { return std::optional<LockKeyState>(*keys); });
  EXPECT_EQ(frame->LockKeyTexts(), (QStringList{"", "NUM", ""}));
  keys->caps = true;
  keys->num = false;
  keys->scroll = true;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return frame->LockKeyTexts() == QStringList({"CAP", "", "SCRL"});
      },
      2000));
  auto* scroll = frame->findChild<QLabel*>(QStringLiteral("LockPane59139"));
  auto* warning = frame->findChild<QLabel*>(QStringLiteral("WarningPane"));
  ASSERT_TRUE(scroll && warning);
  QApplication::processEvents();
  EXPECT_LT(scroll->geometry().right(), warning->geometry().left());

  StringTable::SetLanguage(Language::Japanese);
  frame = rig.Open();
  frame->ShowLockKeys([keys] { return std::optional<LockKeyState>(*keys); });
  StringTable::SetLanguage(Language::English);
  EXPECT_EQ(frame->LockKeyTexts(), (QStringList{QStringLiteral("カナ"), "CAP", "", "SCRL"}));
}

TEST(MainFrame, CommandsObeyTheirRuleAlsoFromAcceleratorsUnderAGrayedMenu) {
  FrameRig rig;
  auto frame = rig.Open();
  std::vector<int> ran;
  bool running = false;
  frame->onCommand = [&](int c) { ran.push_back(c); };
  // Stand-in for the core's rule: New needs no run, RS-232 set-up neither.
  frame->isCommandEnabled = [&](int c) {
    return !running || (c != MainFrame::kFileNew && c != MainFrame::kRs232Setup);
  };
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
  running = true;
  frame->EnableFrame(false);
  frame->UpdateCommandStates();
  EXPECT_FALSE(frame->Action(MainFrame::kFileNew)->isEnabled());
  QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);  // accelerator: refused
  QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);  // allowed by its rule
  EXPECT_EQ(ran, (std::vector<int>{MainFrame::kFileNew, MainFrame::kFileSave}));
  frame->EnableFrame(true);
  frame->EnableClose(true);
}

TEST(SingleInstance, OneHolderAtATimeAndADeadOnesLockIsTakenOver) {
  QTemporaryDir dir;
  const QString path = dir.filePath("instance.lock");
  {
    SingleInstance first(path);
    ASSERT_TRUE(first.Acquire());
    SingleInstance second(path);
    EXPECT_FALSE(second.Acquire());
  }
  SingleInstance after(path);
  EXPECT_TRUE(after.Acquire());

  // A lock file left by a process that no longer runs (pid far beyond any
  // live one), as a killed copy leaves it.
  const QString stale = dir.filePath("stale.lock");
  QFile file(stale);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("4194000\n") + QCoreApplication::applicationName().toUtf8() + "\n" +
             QSysInfo::machineHostName().toUtf8() + "\n");
  file.close();
  SingleInstance recovered(stale);
  EXPECT_TRUE(recovered.Acquire());
}

TEST(AppOptions, ADocumentAndTheBuiltInInstrumentOrAClearRefusal) {
  QString error;
  auto o = ParseAppOptions({"hvt-kp4rs", "bench.plk", "--simulate", "--sim-type", "1"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->file, "bench.plk");
  EXPECT_TRUE(o->simulate);
  EXPECT_EQ(o->simulatedType, 1);
  EXPECT_EQ(o->simulatedMaxVoltage, 410);
  EXPECT_FALSE(ParseAppOptions({"hvt-kp4rs", "--simulate", "--sim-type", "2"}, error));
  EXPECT_TRUE(error.contains("1, 3"));
  EXPECT_FALSE(
      ParseAppOptions({"hvt-kp4rs", "--sim-max-voltage", "205"}, error));  // needs --simulate
  EXPECT_FALSE(ParseAppOptions({"hvt-kp4rs", "a.plk", "b.plk"}, error));
  EXPECT_FALSE(ParseAppOptions({"hvt-kp4rs", "--frobnicate"}, error));
}

TEST(FormWindow, EveryControlOnceInsideTheForm) {
  FormWindow form;
  std::set<int> seen;
  for (const ControlTemplate& t : FormTemplate()) {
    if (t.id == 0) continue;
    EXPECT_TRUE(seen.insert(t.id).second) << t.id << " twice";
    QWidget* w = form.Control(t.id);
    ASSERT_NE(w, nullptr) << t.id;
    EXPECT_TRUE(form.rect().contains(w->geometry())) << t.id;
    EXPECT_EQ(w->isHidden(), t.hidden) << t.id;
  }
  EXPECT_EQ(form.size(), QSize(DluX(kFormWidthDlu), DluY(kFormHeightDlu)));

  // Every control the core's tables name is there, and of the kind they need.
  auto is = [&](ControlId id, auto* kind) {
    return qobject_cast<std::remove_pointer_t<decltype(kind)>*>(form.Control(int(id))) != nullptr;
  };
  for (const auto& icon : form::ButtonIcons())
    EXPECT_TRUE(is(icon.button, (QAbstractButton*)nullptr));
  for (ControlId id : form::ImeOffEdits()) EXPECT_TRUE(is(id, (QLineEdit*)nullptr)) << int(id);
  for (const auto& spin : form::SpinSetUps(800)) EXPECT_TRUE(is(spin.spin, (SpinArrows*)nullptr));
  for (const auto& tip : form::ToolTips()) EXPECT_NE(form.Control(int(tip.control)), nullptr);
  for (ControlId id : form::HiddenControls())
    EXPECT_TRUE(form.Control(int(id))->isHidden()) << int(id);
  for (int k = 0; k < 6; ++k) {
    EXPECT_TRUE(is(Offset(ControlId::SequenceCombo0, k), (QComboBox*)nullptr));
    EXPECT_TRUE(is(Offset(ControlId::SequenceText0, k), (QLabel*)nullptr));
  }
}

TEST(FormInput, KeysAndMouseAsTheCoreSeesThem) {
  QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
  auto e = FormInput::ToKeyEvent(&held, ControlId::Pause);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->key, Key::Enter);
  EXPECT_EQ(e->kind, KeyEvent::Kind::Down);
  EXPECT_TRUE(e->autoRepeat);
  EXPECT_EQ(e->focused, ControlId::Pause);
  QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
  EXPECT_EQ(FormInput::ToKeyEvent(&altF4, std::nullopt)->kind, KeyEvent::Kind::SystemDown);
  QKeyEvent backTab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  e = FormInput::ToKeyEvent(&backTab, std::nullopt);
  EXPECT_TRUE(e->key == Key::Tab && e->ctrl && e->shift);
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(FormInput::ToKeyEvent(&up, std::nullopt)->kind, KeyEvent::Kind::Up);

  QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  auto m = FormInput::ToMouseEvent(&right, ControlId::Stop, FormPoint{40, 50});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->button, MouseEvent::Button::Right);
  EXPECT_EQ(m->control, ControlId::Stop);
  EXPECT_EQ(m->point.y, 50);
  QMouseEvent middle(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::MiddleButton,
                     Qt::MiddleButton, Qt::NoModifier);
  EXPECT_FALSE(FormInput::ToMouseEvent(&middle, std::nullopt, {}));
}

// Records what the widgets report.
struct RecordingEvents : FormEvents {
  void OnClick(ControlId id) override { log.push_back("click " + std::to_string(int(id))); }
  void OnSelect(ControlId id, int i) override {
    log.push_back("select " + std::to_string(int(id)) + " " + std::to_string(i));
  }
  void OnEditFocusGained(ControlId id) override { log.push_back("in " + std::to_string(int(id))); }
  void OnEditFocusLost(ControlId id) override { log.push_back("out " + std::to_string(int(id))); }
  void OnEditChanged(ControlId id, const std::string& t) override {
    log.push_back("edit " + std::to_string(int(id)) + " " + t);
  }
  void OnSpin(ControlId id, int p) override {
    log.push_back("spin " + std::to_string(int(id)) + " " + std::to_string(p));
  }
  void OnSpinArrow(ControlId id, ArrowAction a, int direction) override {
    const char* kinds[] = {"press", "repeat", "release"};
    log.push_back("arrow " + std::to_string(int(id)) + " " + kinds[int(a)] + " " +
                  std::to_string(direction));
  }
  void OnTabSelected(int page) override { log.push_back("tab " + std::to_string(page)); }
  void OnListClick(ControlId, int) override {}
  void OnListDoubleClick(ControlId id, int row) override {
    log.push_back("double " + std::to_string(int(id)) + " " + std::to_string(row));
  }
  Disposition OnKey(const KeyEvent&) override { return Disposition::Pass; }
  Disposition OnMouse(const MouseEvent&) override { return Disposition::Pass; }
  void OnCommand(CommandId) override {}
  bool OnContextMenu(bool) override { return false; }
  std::vector<std::string> log;
};

// The form in its window, wired to a recorder of the operator's events.
struct FormOnFrame {
  FormOnFrame() {
    form.Connect(
        &events, [](ControlId) { return true; }, [] { return false; });
  }
  static FormWindow* Placed(MainFrame& frame) {
    auto* window = new FormWindow;
    frame.SetForm(window);
    return window;
  }
  FrameRig rig;
  MainFrame frame{rig.settings};
  FormWindow* window = Placed(frame);
  QtForm form{*window, frame, Cp1252Codec::Instance()};
  RecordingEvents events;
};

TEST(QtForm, SpinArrowsReportThePressTheRepeatsAndTheRelease) {
  FormOnFrame on;
  auto& [rig, frame, window, form, events] = on;
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  events.log.clear();
  auto* spin = window->findChild<SpinArrows*>("c1045");  // the interval time's
  ASSERT_NE(spin, nullptr);
  auto* upArrow = spin->findChildren<QToolButton*>().front();
  QTest::mousePress(upArrow, Qt::LeftButton);
  const std::string id = std::to_string(int(ControlId::IntervalTimeSpin));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return events.log.size() >= 3 && events.log.back() == "arrow " + id + " repeat 1"; },
      3000));
  QTest::mouseRelease(upArrow, Qt::LeftButton);
  EXPECT_EQ(events.log.front(), "arrow " + id + " press 1");
  EXPECT_EQ(events.log.back(), "arrow " + id + " release 1");
  EXPECT_EQ(std::count(events.log.begin(), events.log.end(), "arrow " + id + " press 1"), 1);
}

TEST(QtForm, ShowsWhatTheCoreSetsAndForwardsOnlyTheOperatorsActions) {
  FormOnFrame on;
  auto& [rig, frame, window, form, events] = on;
  frame.show();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  events.log.clear();  // the focus that activation gives

  // Set by the program: shown, not reported.
  form.SetText(ControlId::VoltageEdit, "1.00");
  form.SetItems(ControlId::PolarityCombo, {"+", "-"});
  form.SelectItem(ControlId::PolarityCombo, 1);
  form.SetItems(ControlId::ConditionTab, {"MANUAL", "SWEEP"});
  form.SetTabPage(ControlId::ConditionTab, 1);
  form.SetSpinRange(ControlId::VoltageSpin, 1, 800);
  form.SetSpinPosition(ControlId::VoltageSpin, 900);
  form.Check(ControlId::VoltageSweepCheck, true);
  form.SetCell(ControlId::UnitOverview, 2, 3, "0.50");
  form.SetText(ControlId::UnitName,
               "Gr\xfc\xdf"
               "e");  // code page bytes, shown as Unicode
  EXPECT_TRUE(events.log.empty());
  EXPECT_EQ(form.Text(ControlId::VoltageEdit), "1.00");
  EXPECT_EQ(form.SelectedItem(ControlId::PolarityCombo), 1);
  EXPECT_EQ(form.Text(ControlId::PolarityCombo), "-");
  EXPECT_EQ(form.TabPage(ControlId::ConditionTab), 1);
  EXPECT_EQ(form.SpinPosition(ControlId::VoltageSpin), 800);
  EXPECT_TRUE(form.IsChecked(ControlId::VoltageSweepCheck));
  EXPECT_EQ(form.RowCount(ControlId::UnitOverview), 3);
  EXPECT_EQ(form.Cell(ControlId::UnitOverview, 2, 3), "0.50");
  EXPECT_EQ(window->findChild<QLabel*>("c1113")->text(), QString::fromUtf8("Grüße"));
  EXPECT_EQ(form.Text(ControlId::UnitName),
            "Gr\xfc\xdf"
            "e");

  // Done by the operator: reported.
  auto* edit = window->findChild<QLineEdit*>("c1002");
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_5);
  auto* combo = window->findChild<QComboBox*>("c1000");
  combo->activated(0);
  form.Enable(ControlId::Stop, false);
  EXPECT_FALSE(form.IsEnabled(ControlId::Stop));
  QTest::mouseClick(window->findChild<QWidget*>("c1137"), Qt::LeftButton);  // a clickable static
  const std::vector<std::string> expected{"in 1002", "edit 1002 1.005", "select 1000 0",
                                          "click 1137"};
  EXPECT_EQ(events.log, expected);
}

TEST(QtForm, ListsStepButtonsAndMovesOverTheBareForm) {
  FormOnFrame on;
  auto& [rig, frame, window, form, events] = on;
  std::vector<MouseEvent> moves;
  FormInput input(window, [window](QObject* o) { return window->ControlOf(o); });
  input.onMouse = [&](const MouseEvent& e) {
    if (e.kind == MouseEvent::Kind::Move) moves.push_back(e);
    return Disposition::Pass;
  };
  frame.show();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  events.log.clear();

  form.SetColumns(ControlId::UnitOverview, {{"No", 27}, {"TERM", 50}});
  auto* overview = window->findChild<QTableWidget*>("c1090");
  ASSERT_EQ(overview->columnCount(), 2);
  EXPECT_EQ(overview->horizontalHeaderItem(1)->text(), "TERM");
  EXPECT_EQ(overview->columnWidth(0), 27);

  // A double click on a cell or on the bare list reaches the core.
  form.SetItems(ControlId::ProgramList, {"No. 1 "});
  auto* list = window->findChild<QListWidget*>("c1041");
  const QPoint cell = list->visualItemRect(list->item(0)).center();
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                     QPoint(list->viewport()->width() - 3, list->viewport()->height() - 3));
  EXPECT_EQ(events.log, (std::vector<std::string>{"double 1041 0", "double 1041 -1"}));

  // A point of the form that no control covers.
  QPoint bare(-1, -1);
  for (int y = 2; y < window->height() && bare.x() < 0; y += 4) {
    for (int x = 2; x < window->width(); x += 4) {
      if (!window->childAt(x, y)) {
        bare = QPoint(x, y);
        break;
      }
    }
  }
  ASSERT_GE(bare.x(), 0);
  QTest::mouseMove(window, bare);
  ASSERT_FALSE(moves.empty());
  EXPECT_FALSE(moves.back().control);
  EXPECT_FALSE(moves.back().captured);

  // The held button shows pushed to the core, and the moves it holds are
  // its own wherever the mouse goes.
  auto* next = window->findChild<QAbstractButton*>("c1046");
  QTest::mousePress(next, Qt::LeftButton);
  EXPECT_TRUE(form.IsButtonDown(ControlId::UnitUpButton));
  moves.clear();
  // Delivered as the window system does while the button is pressed: to
  // the button, at a point outside it.
  QTest::mouseMove(next, next->mapFrom(window, bare));
  ASSERT_FALSE(moves.empty());
  EXPECT_FALSE(moves.front().control);
  EXPECT_TRUE(moves.front().captured);
  QTest::mouseRelease(next, Qt::LeftButton);
  EXPECT_FALSE(form.IsButtonDown(ControlId::UnitUpButton));
}

TEST(AboutDialog, NameAndVersionInBoldDarkBlue) {
  AboutDialog about;
  auto* version = about.findChild<QLabel*>("version");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->text(), "HVT-KP4RS Version 3.00");
  EXPECT_TRUE(version->font().bold());
  EXPECT_EQ(version->font().pixelSize(), 24);
  EXPECT_TRUE(version->styleSheet().contains("rgb(0, 0, 150)"));
}

}  // namespace
}  // namespace hvt
