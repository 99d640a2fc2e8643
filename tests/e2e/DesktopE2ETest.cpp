// The desktop program as the operator meets it: its window, driven with
// mouse and keys, against hvt-sim over a real pseudo-terminal.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "journal/Journal.h"
#include "link/Connection.h"
#include "model/DocumentFile.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "platform/TerminationGuard.h"
#include "support/AppFolders.h"
#include "support/EndAtTheBox.h"
#include "support/IdentifyingPeer.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"
#include "support/UnitSetup.h"
#include "ui/AnomalyDialog.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "view/CPELKView.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> SentTexts(const fs::path& log) {
  std::vector<std::string> texts;
  for (const auto& f : testing::ReadSimLog(log)) {
    if (f.direction == '<' && !f.Text().empty()) texts.push_back(f.Text());
  }
  return texts;
}

struct Folders : testing::AppFolders {
  Folders() : AppFolders("hvt-desktop") {}
};

// Answers the message boxes that open meanwhile, as an operator would, and
// keeps their texts.
struct BoxAnswerer {
  explicit BoxAnswerer(QMessageBox::StandardButton answer) {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this, answer] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts.push_back(box->text().toStdString());
        box->button(answer)->click();
      }
    });
    timer.start();
  }
  QTimer timer;
  std::vector<std::string> texts;
};

std::string WriteDocument(const fs::path& file, int type, int voltage) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  doc.unit(1).voltage = voltage;
  const std::string bytes = StoreDocument(doc);
  std::ofstream(file, std::ios::binary) << bytes;
  return file.string();
}

// Program 1: unit 1 for 1 s, then unit 2 for `second` s, `times` times.
void TwoUnitProgram(CPELKView& view, int second, int times) {
  testing::TimedUnit(view.doc, 1, 1, 0);
  testing::TimedUnit(view.doc, 2, second, 0);
  ProgramRecord& program = view.doc.program(1);
  program.step(1) = 1;
  program.step(3) = 2;
  program.times = times;
  view.doc.currentProgram = 1;
  view.InitialUpdate();
}

TEST(DesktopE2E, AStartUpDocumentIsCheckedAgainstTheInstrumentItMeets) {
  Folders folders;
  AppOptions options;
  options.simulate = true;  // a three-phase instrument
  options.file = QString::fromStdString(WriteDocument(folders.root / "single.plk", 1, 321));
  {
    BoxAnswerer ok(QMessageBox::Ok);
    CPELKApp app(options);
    ASSERT_TRUE(app.Start());
    ASSERT_EQ(ok.texts.size(), 1u);
    EXPECT_NE(ok.texts[0].find("single.plk cannot be opened"), std::string::npos) << ok.texts[0];
    EXPECT_EQ(app.View().doc.injectionUnitType, 3);  // the new document stands
    EXPECT_EQ(app.View().doc.unit(1).voltage, 1);
    app.Frame().close();
  }
  options.file = QString::fromStdString(WriteDocument(folders.root / "three.plk", 3, 321));
  BoxAnswerer none(QMessageBox::Ok);
  CPELKApp app(options);
  ASSERT_TRUE(app.Start());
  EXPECT_TRUE(none.texts.empty());
  EXPECT_EQ(app.View().doc.unit(1).voltage, 321);  // opened, not wiped by the initialisation
  EXPECT_TRUE(app.Frame().windowTitle().startsWith("three.plk - HVT-KP4RS"));
  app.Frame().close();
}

TEST(DesktopE2E, AbortAtTheStartUpConnectionShowsNoMainWindow) {
  Folders folders;
  folders.Settings().WriteSetting("Ports", "COM1", (folders.root / "no-such-port").string());
  folders.Settings().WriteSetting("EMV", "PORT_NUM", "1");
  BoxAnswerer abort(QMessageBox::Abort);
  CPELKApp app{AppOptions{}};
  EXPECT_FALSE(app.Start());
  ASSERT_EQ(abort.texts.size(), 1u);
  for (QWidget* w : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(qobject_cast<MainFrame*>(w) && w->isVisible());
  }
}

// SIGTERM while a start-up box waits ends the program before its window
// shows, whichever box it is; nothing else is asked.
TEST(DesktopE2E, ToldToEndAtAStartUpBoxTheProgramEnds) {
  struct Case {
    const char* name;
    std::string device;  // COM1's device
    std::string box;     // the box's first line
  };
  Folders folders;
  testing::SimProcess silent;
  silent.Command("silent 1000");
  testing::SimProcess other({"--identity", "SOMETHING ELSE"});
  testing::IdentifyingPeer unconfigured(LoadString(TextId::Identification));
  const std::vector<Case> cases{
      {"port missing", (folders.root / "no-such-port").string(), "COM1 can not open."},
      {"no answer", silent.Path(), LoadString(TextId::CommunicationError)},
      {"not the instrument", other.Path(), LoadString(TextId::NotTheInstrument)},
      {"configuration unanswered", unconfigured.Path(), LoadString(TextId::AskDemo)},
  };
  for (const Case& c : cases) {
    folders.Settings().WriteSetting("Ports", "COM1", c.device);
    folders.Settings().WriteSetting("EMV", "PORT_NUM", "1");
    testing::EndAtTheBox operatorGone;
    CPELKApp app{AppOptions{}};
    EXPECT_FALSE(app.Start()) << c.name;
    EXPECT_TRUE(TerminationGuard::StopRequested()) << c.name;
    EXPECT_EQ(operatorGone.ignored, std::vector<std::string>{}) << c.name;
    ASSERT_EQ(operatorGone.texts.size(), 1u) << c.name;
    EXPECT_EQ(operatorGone.texts[0].rfind(c.box, 0), 0u) << c.name << ": " << operatorGone.texts[0];
    for (QWidget* w : QApplication::topLevelWidgets()) {
      EXPECT_FALSE(qobject_cast<MainFrame*>(w) && w->isVisible()) << c.name;
    }
  }
}

TEST(DesktopE2E, AProgramOfTwoUnitsRunsTwiceOnTheBuiltInInstrument) {
  Folders folders;
  AppOptions options;
  options.simulate = true;
  CPELKApp app(options);
  ASSERT_TRUE(app.Start());
  CPELKView& view = app.View();
  TwoUnitProgram(view, 1, 2);
  FormWindow& form = app.Window();
  QTest::mouseClick(form.findChild<QCheckBox*>("c1051"), Qt::LeftButton);  // TEST SEQUENCE
  ASSERT_TRUE(view.doc.programMode);
  QTest::mouseClick(form.findChild<QPushButton*>("c1052"), Qt::LeftButton);
  ASSERT_TRUE(view.RunActive());
  EXPECT_TRUE(
      form.findChild<QWidget*>("c1090")->isVisible());  // the overview instead of the conditions
  auto* overview = form.findChild<QTableWidget*>("c1090");
  ASSERT_EQ(overview->columnCount(), 12);
  ASSERT_EQ(overview->rowCount(), 50);
  QStringList headings;
  for (int c = 0; c < 12; ++c) headings << overview->horizontalHeaderItem(c)->text();
  EXPECT_EQ(headings, QStringList({"No", "+/-", "WIDTH", "VOL1", "VOL2", "VOL3", "TRG1", "TRG2",
                                   "TRG3", "INJ", "RET", "TERM"}));
  EXPECT_EQ(overview->columnWidth(6), 47);
  EXPECT_EQ(overview->item(1, 0)->text(), "  2");
  EXPECT_EQ(overview->item(1, 3)->text(), "0.01");
  EXPECT_TRUE(overview->selectionModel()->isRowSelected(0, {}));  // the running unit
  EXPECT_TRUE(QTest::qWaitFor([&] { return !view.RunActive(); }, 20000));
  EXPECT_EQ(view.run.lastRunEnd, RunEnd::Completed);
  EXPECT_FALSE(form.findChild<QWidget*>("c1090")->isVisible());
  BoxAnswerer no(QMessageBox::No);  // the save prompt, if the set-up counts as a change
  app.Frame().close();
}

TEST(DesktopE2E, OneCopyPerSessionAndALockLeftByAKilledCopyIsTakenOver) {
  Folders folders;
  const QString lock =
      QString::fromStdString((folders.root / "rt" / "hvt-kp4rs-PELKInstance.lock").string());
  auto start = [&](QProcess& p) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(HVT_KP4RS_PATH, {"--simulate"});
    return p.waitForStarted(5000);
  };
  auto lockHolder = [&] {
    QFile file(lock);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
  };
  QProcess first;
  ASSERT_TRUE(start(first));
  ASSERT_TRUE(QTest::qWaitFor([&] { return lockHolder() == first.processId(); }, 10000));

  QProcess second;
  ASSERT_TRUE(start(second));
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.readAllStandardError().contains("Already Run"); },
                              10000));
  EXPECT_EQ(lockHolder(), first.processId());  // the second copy asks its operator, nothing more
  // Told to end while its box waits (the session ends): it goes, politely.
  second.terminate();
  EXPECT_TRUE(second.waitForFinished(5000)) << "the already-running box outlived SIGTERM";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  first.waitForFinished(5000);
  QProcess third;
  ASSERT_TRUE(start(third));
  EXPECT_TRUE(QTest::qWaitFor([&] { return lockHolder() == third.processId(); }, 10000));
  third.terminate();  // SIGTERM: ends the way a session's end does
  EXPECT_TRUE(third.waitForFinished(10000));
  EXPECT_EQ(third.exitCode(), 0);
}

// The desktop program on hvt-sim as COM1, with its settings, journals and
// runtime files in a folder of its own, removed afterwards.
struct BenchFolders {
  explicit BenchFolders(const std::string& prefix)
      : dir(Fresh(fs::temp_directory_path() / (prefix + std::to_string(getpid())))),
        log(dir / "sim.log"),
        sim({"--log", log.string()}) {
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "cfg").string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "rt").string()));
    SettingsFile settings(SettingsFile::PathUnder(dir / "cfg"));
    settings.WriteSetting("Ports", "COM1", sim.Path());
    settings.WriteSetting("EMV", "PORT_NUM", "1");
  }
  ~BenchFolders() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  static fs::path Fresh(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir / "rt");
    fs::permissions(dir / "rt", fs::perms::owner_all);
    return dir;
  }
  // Every line of the journals the runs wrote.
  std::vector<std::string> JournalLines() const {
    std::vector<std::string> lines;
    for (const auto& e :
         fs::directory_iterator(dir / "data" / "Korrin" / "HVT-KP4RS" / "journal")) {
      std::ifstream in(e.path());
      for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    return lines;
  }
  fs::path dir;
  fs::path log;
  testing::SimProcess sim;
};

TEST(DesktopE2E, StartUpTypedVoltageStartPauseAndTheFrameLockedDuringTheRun) {
  const BenchFolders bench("hvt-desktop-e2e-");
  ASSERT_FALSE(bench.sim.Path().empty());
  const fs::path& log = bench.log;

  auto owned = std::make_unique<CPELKApp>(AppOptions{});
  CPELKApp& app = *owned;
  ASSERT_TRUE(app.Start());
  std::vector<std::string> sent = SentTexts(log);
  for (const char* query : {"QA", "QM", "QO"}) {
    EXPECT_NE(std::find(sent.begin(), sent.end(), query), sent.end()) << query;
  }
  ASSERT_EQ(app.View().doc.demoMode, 0);

  FormWindow& form = app.Window();
  MainFrame& frame = app.Frame();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  // A 3 s injection at 0.50 kV, set as an operator does.
  QTest::mouseClick(form.findChild<QCheckBox*>("c1133"), Qt::LeftButton);  // Endless off
  auto* injection = form.findChild<QLineEdit*>("c1008");
  ASSERT_TRUE(injection->isEnabled());
  injection->setFocus();
  injection->selectAll();
  QTest::keyClicks(injection, "3");
  auto* voltage = form.findChild<QLineEdit*>("c1002");
  voltage->setFocus();
  voltage->selectAll();
  QTest::keyClicks(voltage, "0.50");
  EXPECT_EQ(app.View().doc.unit(1).voltage, 50);

  std::set<QString> statuses;
  auto* status = frame.findChild<QLabel*>("StatusMessage");
  QTest::mouseClick(form.findChild<QPushButton*>("c1052"), Qt::LeftButton);  // START
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().RunActive(); }, 2000));
  sent = SentTexts(log);
  const auto pd =
      std::find_if(sent.begin(), sent.end(), [](auto& t) { return t.rfind("PD", 0) == 0; });
  ASSERT_NE(pd, sent.end());
  EXPECT_EQ(pd->substr(0, pd->find('/', 4)), "PD0/50");
  EXPECT_EQ(*std::next(pd), "CA");

  // During the run nothing closes the window or starts a document command.
  EXPECT_FALSE(frame.Action(MainFrame::kFileNew)->isEnabled());
  EXPECT_FALSE(frame.Action(MainFrame::kAppExit)->isEnabled());
  EXPECT_FALSE(frame.close());
  EXPECT_FALSE(form.findChild<QWidget*>("c1046")->isEnabled());  // no other unit meanwhile
  EXPECT_FALSE(form.findChild<QWidget*>("c1078")->isEnabled());
  QTest::keyClick(form.findChild<QWidget*>("c1002"), Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(frame.isVisible());

  // PAUSE reacts on the button going down: one "CD1", then again to resume.
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().runStatus.runState == Running; }, 3000));
  QTest::mousePress(form.findChild<QPushButton*>("c1054"), Qt::LeftButton);
  QTest::mouseRelease(form.findChild<QPushButton*>("c1054"), Qt::LeftButton);
  sent = SentTexts(log);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "CD1"), 1);
  // Resume only after the paused run has polled the instrument once (QG, QE, QF).
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        sent = SentTexts(log);
        const auto cd1 = std::find(sent.begin(), sent.end(), "CD1");
        return cd1 != sent.end() && std::find(cd1, sent.end(), "QF") != sent.end();
      },
      5000));
  QTest::mouseClick(form.findChild<QPushButton*>("c1054"), Qt::LeftButton);

  // The status runs from START to Ready once the instrument has finished.
  const bool ended = QTest::qWaitFor(
      [&] {
        statuses.insert(status->text().section(' ', 0, 0));
        return !app.View().RunActive();
      },
      15000);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(statuses.count("START")) << status->text().toStdString();
  EXPECT_EQ(status->text(), "Ready");
  EXPECT_TRUE(frame.Action(MainFrame::kFileNew)->isEnabled());
  sent = SentTexts(log);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "CD1"), 1);
  // The run's journal, in the user's journal folder: its start, the pause
  // and the resume, and its end.
  std::vector<std::string> types;
  for (const std::string& line : bench.JournalLines()) {
    const size_t at = line.find("\"type\":\"");
    if (at != std::string::npos)
      types.push_back(line.substr(at + 8, line.find('"', at + 8) - at - 8));
  }

  ASSERT_GE(types.size(), 4u);
  EXPECT_EQ(types.front(), "run_start");
  EXPECT_NE(std::find(types.begin(), types.end(), "pause"), types.end());
  EXPECT_NE(std::find(types.begin(), types.end(), "resume"), types.end());
  EXPECT_EQ(types.back(), "run_end");
  // The typed voltage is unsaved work: closing asks first.
  BoxAnswerer no(QMessageBox::No);
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(no.texts, std::vector<std::string>{"Save changes to Untitled?"});
  owned.reset();
}

// F8 in a run: a modeless box; the run goes on under it, OK writes a mark of
// what ran at the press, and the status bar counts the marks.
TEST(DesktopE2E, F8MarksAnAnomalyWhileTheRunGoesOn) {
  const BenchFolders bench("hvt-desktop-f8-");
  ASSERT_FALSE(bench.sim.Path().empty());
  const fs::path& dir = bench.dir;
  SettingsFile(SettingsFile::PathUnder(dir / "cfg"))
      .WriteSetting("Journal", "REQUIRED_CRITERION", "A");
  AppOptions options;
  options.simulate = true;  // the built-in instrument, on the port the settings name
  auto owned = std::make_unique<CPELKApp>(options);
  CPELKApp& app = *owned;
  ASSERT_TRUE(app.Start());
  FormWindow& form = app.Window();
  MainFrame& frame = app.Frame();
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  app.View().doc.unit(1).voltage = 120;  // 1.20 kV, 30 s: long enough to mark
  app.View().doc.unit(1).injectionTime = 30;
  app.View().doc.unit(1).injectionEndless = 0;
  app.View().selections.SelectUnit(1);
  QTest::mouseClick(form.findChild<QPushButton*>("c1052"), Qt::LeftButton);  // START
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().RunActive(); }, 2000));

  QWidget* focus = form.findChild<QWidget*>("c1002");
  QTest::keyPress(focus, Qt::Key_F8);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_F8, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(focus, &repeat);  // a held key: still one box
  QTest::keyRelease(focus, Qt::Key_F8);
  AnomalyDialog* box = nullptr;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (box = frame.findChild<AnomalyDialog*>()) && box->isVisible(); }, 2000));
  EXPECT_EQ(frame.findChildren<AnomalyDialog*>().size(), 1);
  EXPECT_FALSE(box->isModal());
  EXPECT_EQ(box->windowTitle(), "EUT anomaly");
  for (char letter : {'A', 'B', 'C', 'D'}) {
    auto* radio = box->findChild<QRadioButton*>(QStringLiteral("Criterion") + QChar(letter));
    ASSERT_TRUE(radio);
    EXPECT_TRUE(radio->accessibleName().startsWith(QChar(letter)));
  }
  box->findChild<QRadioButton*>("CriterionB")->setChecked(true);
  box->findChild<QLineEdit*>("Note")->setText("display flickered");
  if (const char* shot = std::getenv("HVT_SCREENSHOT_DIR")) {
    box->grab().save(QString::fromUtf8(shot) + "/anomaly-box.png");
  }
  QTest::qWait(0);
  ASSERT_TRUE(app.View().RunActive());  // the box neither paused nor stopped it
  EXPECT_NE(app.View().runStatus.runState, Paused);
  box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(frame.findChild<QLabel*>("MarksPane")->text(), "Marks: 1");
  if (const char* shot = std::getenv("HVT_SCREENSHOT_DIR")) {
    frame.grab().save(QString::fromUtf8(shot) + "/marks-pane.png");
  }

  // A second F8; STOP works with the box open, and its OK after the end
  // gives a mark that follows the run's end.
  QTest::keyPress(focus, Qt::Key_F8);
  QTest::keyRelease(focus, Qt::Key_F8);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (box = frame.findChild<AnomalyDialog*>()) && box->isVisible(); }, 2000));
  QTest::mousePress(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);  // STOP
  QTest::mouseRelease(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !app.View().RunActive(); }, 3000));
  ASSERT_TRUE(box->isVisible());
  box->findChild<QRadioButton*>("CriterionA")->setChecked(true);
  box->findChild<QLineEdit*>("Note")->setText("after the stop");
  box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(frame.findChild<QLabel*>("MarksPane")->text(), "Marks: 2");

  std::string mark, end;
  std::vector<std::string> lines = bench.JournalLines();
  for (const std::string& line : lines) {
    if (mark.empty() && line.find("\"type\":\"mark\"") != std::string::npos) mark = line;
    if (line.find("\"type\":\"run_end\"") != std::string::npos) end = line;
  }
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines.back().find("\"type\":\"mark\",\"prev\""), std::string::npos) << lines.back();
  EXPECT_NE(lines.back().find("\"note\":\"after the stop\""), std::string::npos);
  EXPECT_NE(lines.back().find("\"running\":true"), std::string::npos) << "what ran at the press";
  EXPECT_NE(lines[lines.size() - 2].find("\"type\":\"run_end\""), std::string::npos);
  EXPECT_NE(mark.find("\"criterion\":\"B\""), std::string::npos) << mark;
  EXPECT_NE(mark.find("\"note\":\"display flickered\""), std::string::npos) << mark;
  EXPECT_NE(mark.find("\"worse_than_required\":true"), std::string::npos) << mark;
  EXPECT_NE(mark.find("\"voltage_kv\":\"1.20\""), std::string::npos) << mark;
  EXPECT_NE(end.find("\"status\":\"stopped\""), std::string::npos) << end;

  // File, Export Run Record...: the last run's record shows the note.
  QAction* exportRecord = nullptr;
  for (QAction* action : frame.findChildren<QAction*>()) {
    if (action->data().toInt() == static_cast<int>(CommandId::ExportRunRecord))
      exportRecord = action;
  }
  ASSERT_TRUE(exportRecord);
  EXPECT_EQ(exportRecord->text(), "Export Run Re&cord...");
  EXPECT_TRUE(app.View().IsCommandEnabled(CommandId::ExportRunRecord));
  const fs::path pdf = dir / "record.pdf";
  fs::path target = pdf;
  QTimer saveAs;
  saveAs.setInterval(20);
  QObject::connect(&saveAs, &QTimer::timeout, [&] {
    if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      for (auto* list : files->findChildren<QAbstractItemView*>()) list->clearSelection();
      files->findChild<QLineEdit*>("fileNameEdit")
          ->setText(QString::fromStdString(target.string()));
      static_cast<QDialog*>(files)->done(QDialog::Accepted);  // its Save button
    }
  });
  saveAs.start();
  exportRecord->trigger();
  saveAs.stop();
  QProcess text;
  text.start("pdftotext", {QString::fromStdString(pdf.string()), "-"});
  ASSERT_TRUE(text.waitForFinished(10000));
  const QByteArray shown = text.readAllStandardOutput();
  EXPECT_TRUE(shown.contains("mark: criterion B (worse than the required A): display flickered"))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains("end: stopped")) << shown.toStdString();

  // Chosen over the journal itself, the record is refused; the journal stays.
  target = app.View().journal()->LastJournalPath();
  const std::vector<std::string> before = bench.JournalLines();
  {
    BoxAnswerer ok(QMessageBox::Ok);
    saveAs.start();
    exportRecord->trigger();
    saveAs.stop();
    ASSERT_EQ(ok.texts.size(), 1u);
    EXPECT_EQ(ok.texts[0].rfind("A run record is never written over a journal:", 0), 0u);
  }
  EXPECT_EQ(bench.JournalLines(), before);
  BoxAnswerer no(QMessageBox::No);
  frame.close();
  owned.reset();
}

// A journal folder that cannot be made: the status bar says runs are not
// journaled, and runs go on.
TEST(DesktopE2E, WithoutAJournalFolderTheStatusBarSaysSoAndRunsGoOn) {
  Folders folders;
  std::ofstream(folders.root / "data") << "a file where the folder would be";
  AppOptions options;
  options.simulate = true;
  CPELKApp app(options);
  ASSERT_TRUE(app.Start());
  const QString shown = app.Frame().JournalWarning();
  EXPECT_TRUE(shown.startsWith("Runs are not journaled: ")) << shown.toStdString();
  EXPECT_TRUE(app.Frame().findChild<QLabel*>("JournalPane")->isVisibleTo(&app.Frame()));
  EXPECT_TRUE(app.Frame().WarningText().isEmpty()) << "the instrument's pane stays its own";
  if (const char* shot = std::getenv("HVT_SCREENSHOT_DIR")) {
    app.Frame().grab().save(QString::fromUtf8(shot) + "/journal-pane.png");
  }
  FormWindow& form = app.Window();
  QTest::mouseClick(form.findChild<QPushButton*>("c1052"), Qt::LeftButton);  // START
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().RunActive(); }, 2000));
  QTest::mousePress(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);  // STOP
  QTest::mouseRelease(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);
  EXPECT_FALSE(app.View().RunActive());
  EXPECT_FALSE(app.View().IsCommandEnabled(CommandId::ExportRunRecord));
  BoxAnswerer no(QMessageBox::No);
  app.Frame().close();
}

// The journals of the runs, oldest first: each one's records by type, and
// whether its chain checks intact.
struct RunJournal {
  std::vector<std::string> types;
  std::vector<journal::Json> records;
  bool intact = false;
};
std::vector<RunJournal> ReadJournals(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<RunJournal> runs;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const journal::CheckResult check = journal::CheckJournal(bytes);
    RunJournal run;
    run.intact = check.outcome == journal::CheckResult::Outcome::Intact;
    run.records = check.parsed;
    for (const auto& r : check.parsed) {
      if (r.Find("type")->AsString() != "point") run.types.push_back(r.Find("type")->AsString());
    }
    runs.push_back(std::move(run));
  }
  return runs;
}

// A program of two units with a pause and the LINE switched off in its
// second unit, then a 1SHOT run with one shot: each run's journal holds
// what happened, in order.
TEST(DesktopE2E, PauseLineAndASingleShotAreJournaledInTheirOrder) {
  const BenchFolders bench("hvt-desktop-seq-");
  ASSERT_FALSE(bench.sim.Path().empty());
  const auto sent = [&](const std::string& text) {
    const auto all = SentTexts(bench.log);
    return std::count(all.begin(), all.end(), text);
  };
  auto owned = std::make_unique<CPELKApp>(AppOptions{});
  CPELKApp& app = *owned;
  ASSERT_TRUE(app.Start());
  CPELKView& view = app.View();
  FormWindow& form = app.Window();
  const auto button = [&](int id) {
    return form.findChild<QAbstractButton*>(QStringLiteral("c%1").arg(id));
  };
  view.doc.unit(2).lineOption = 1;  // LINE may be switched in the run
  TwoUnitProgram(view, 30, 1);

  QTest::mouseClick(button(1063), Qt::LeftButton);  // LINE on: no run yet, no journal
  ASSERT_EQ(view.runStatus.runState, LineOn);
  QTest::mouseClick(button(1051), Qt::LeftButton);  // TEST SEQUENCE
  QTest::mouseClick(button(1052), Qt::LeftButton);  // START
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return view.runStatus.activeUnit == 2 && view.runStatus.runState == Running; }, 10000));
  QTest::mousePress(button(1054), Qt::LeftButton);  // PAUSE
  QTest::mouseRelease(button(1054), Qt::LeftButton);
  ASSERT_EQ(view.runStatus.runState, Paused);
  // Resumed once the paused run has polled the instrument.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const auto all = SentTexts(bench.log);
        const auto cd1 = std::find(all.begin(), all.end(), "CD1");
        return cd1 != all.end() && std::find(cd1, all.end(), "QF") != all.end();
      },
      5000));
  QTest::mousePress(button(1054), Qt::LeftButton);
  QTest::mouseRelease(button(1054), Qt::LeftButton);
  ASSERT_EQ(view.runStatus.runState, Running);
  ASSERT_TRUE(button(1063)->isEnabled());
  QTest::mouseClick(button(1063), Qt::LeftButton);  // LINE off ends the run
  ASSERT_TRUE(QTest::qWaitFor([&] { return !view.RunActive(); }, 3000));

  QTest::mouseClick(button(1051), Qt::LeftButton);  // back to the unit
  QTest::mouseClick(button(1077), Qt::LeftButton);  // 1SHOT MODE
  QTest::mouseClick(button(1052), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return button(1056)->isEnabled(); }, 3000));
  QTest::mouseClick(button(1056), Qt::LeftButton);  // TRIGGER: one shot
  EXPECT_EQ(sent("CC"), 1);
  QTest::mousePress(button(1053), Qt::LeftButton);  // STOP
  QTest::mouseRelease(button(1053), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !view.RunActive(); }, 3000));

  const auto runs = ReadJournals(bench.dir / "data" / "Korrin" / "HVT-KP4RS" / "journal");
  ASSERT_EQ(runs.size(), 2u);
  const RunJournal& first = runs[0];
  EXPECT_TRUE(first.intact);
  EXPECT_EQ(first.types, (std::vector<std::string>{"run_start", "unit_start", "unit_start", "pause",
                                                   "resume", "line", "run_end"}));
  if (first.types.size() == 7) {
    auto field = [&](std::string_view type, std::string_view key, int nth = 0) {
      for (const auto& r : first.records) {
        if (r.Find("type")->AsString() == type && nth-- == 0) return r.Find(key)->Dump();
      }
      return std::string();
    };
    EXPECT_EQ(field("run_start", "runs"),
              R"({"kind":"program","program":1,"program_name":")" + view.doc.program(1).name +
                  R"(","times":1,"one_shot":false,"demonstration":false})");
    EXPECT_EQ(field("unit_start", "unit", 0), "1");
    EXPECT_EQ(field("unit_start", "unit", 1), "2");
    EXPECT_EQ(field("unit_start", "step", 1), "2");
    EXPECT_EQ(field("line", "on"), "false");
    EXPECT_EQ(field("line", "cause"), "\"LINE\"");
    EXPECT_EQ(field("run_end", "status"), "\"stopped\"");
  }
  const RunJournal& second = runs[1];
  EXPECT_TRUE(second.intact);
  EXPECT_EQ(second.types,
            (std::vector<std::string>{"run_start", "unit_start", "single_shot", "run_end"}));
  EXPECT_NE(second.records.front().Find("runs")->Dump().find("\"one_shot\":true"),
            std::string::npos);
  BoxAnswerer no(QMessageBox::No);
  app.Frame().close();
  owned.reset();
}

// Enter held on a focused button as X11 delivers it: the first press, then
// for every repeat a release and a press both marked as repeats, then the
// last release.
void HoldEnter(QWidget* button, int repeats) {
  button->setFocus();
  auto send = [button](QEvent::Type type, bool repeat) {
    QKeyEvent e(type, Qt::Key_Return, Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(button, &e);
  };
  send(QEvent::KeyPress, false);
  for (int i = 0; i < repeats; ++i) {
    send(QEvent::KeyRelease, true);
    send(QEvent::KeyPress, true);
    QApplication::processEvents();
  }
  send(QEvent::KeyRelease, false);
}

TEST(DesktopE2E, EnterHeldOnPauseOrTriggerActsOnce) {
  Folders folders;
  const fs::path log = folders.root / "sim.log";
  testing::SimProcess sim({"--log", log.string()});
  ASSERT_FALSE(sim.Path().empty());
  folders.Settings().WriteSetting("Ports", "COM1", sim.Path());
  folders.Settings().WriteSetting("EMV", "PORT_NUM", "1");
  auto count = [&](const std::string& text) {
    const auto sent = SentTexts(log);
    return std::count(sent.begin(), sent.end(), text);
  };
  CPELKApp app{AppOptions{}};
  ASSERT_TRUE(app.Start());
  FormWindow& form = app.Window();
  auto* start = form.findChild<QPushButton*>("c1052");
  // 2 s of auto-repeat at X11's usual 25 a second is 50 repeats.
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().runStatus.runState == Running; }, 3000));
  HoldEnter(form.findChild<QPushButton*>("c1054"), 50);  // PAUSE
  EXPECT_EQ(count("CD1"), 1);
  EXPECT_EQ(count("CD0"), 0);
  QTest::mouseClick(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);  // STOP
  ASSERT_TRUE(QTest::qWaitFor([&] { return !app.View().RunActive(); }, 3000));

  QTest::mouseClick(form.findChild<QPushButton*>("c1077"), Qt::LeftButton);  // 1SHOT MODE
  QTest::mouseClick(start, Qt::LeftButton);
  auto* trigger = form.findChild<QPushButton*>("c1056");
  ASSERT_TRUE(QTest::qWaitFor([&] { return trigger->isEnabled(); }, 3000));
  HoldEnter(trigger, 50);
  EXPECT_EQ(count("CC"), 1);
  QTest::mouseClick(form.findChild<QPushButton*>("c1053"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !app.View().RunActive(); }, 3000));
}

// What the widgets themselves do behind the core's back: radio buttons
// toggling on a click, focus taken by a click or handed on by a disabled
// button, menu mnemonics firing before the key press, double clicks on a
// grayed list.
TEST(DesktopE2E, TheFormShowsTheDocumentWhateverTheWidgetsDoByThemselves) {
  Folders folders;
  AppOptions options;
  options.simulate = true;
  CPELKApp app{options};
  ASSERT_TRUE(app.Start());
  FormWindow& form = app.Window();
  CPELKView& view = app.View();
  app.Frame().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&app.Frame()));
  const auto c = [&form](int id) {
    return form.findChild<QWidget*>(QStringLiteral("c%1").arg(id));
  };
  const auto checked = [&](int id) { return static_cast<QAbstractButton*>(c(id))->isChecked(); };
  const auto click = [&](int id) {
    QTest::mouseClick(c(id), Qt::LeftButton, {}, QPoint(4, c(id)->height() / 2));
  };

  // Each pair shows exactly what the document holds, after clicks on
  // either, a click on the checked one, Enter, and File New.
  const auto pairs = [&] {
    const bool variable = view.doc.unit(view.runStatus.activeUnit).triggerMode == 1;
    EXPECT_EQ(checked(1011), variable);
    EXPECT_EQ(checked(1013), !variable);
    EXPECT_EQ(checked(1025), view.doc.showUnitNames == 1);
    EXPECT_EQ(checked(1017), view.doc.showUnitNames != 1);
  };
  click(1011);
  EXPECT_EQ(view.doc.unit(view.runStatus.activeUnit).triggerMode, 1);
  pairs();
  click(1011);
  pairs();
  c(1013)->setFocus();
  QTest::keyClick(c(1013), Qt::Key_Return);
  EXPECT_EQ(view.doc.unit(view.runStatus.activeUnit).triggerMode, 0);
  pairs();
  // A double click on the program list opens the editor only with TEST
  // SEQUENCE on.
  auto* list = form.findChild<QListWidget*>(QStringLiteral("c1041"));
  ASSERT_FALSE(list->isEnabled());
  int dialogs = 0;
  QTimer closer;  // a dialog that opens is counted and closed, so the test goes on
  QObject::connect(&closer, &QTimer::timeout, [&dialogs] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ++dialogs;
      dialog->reject();
    }
  });
  closer.start(20);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_EQ(dialogs, 0);

  // Program 50 reached with the next-program button: the focus goes to the
  // list, not to the next control Qt picks.
  click(1051);
  ASSERT_TRUE(list->isEnabled());
  view.doc.currentProgram = 49;
  view.lists.ShowProgram();
  auto* next = static_cast<QAbstractButton*>(c(1049));
  next->setFocus();
  QTest::keyClick(next, Qt::Key_Return);
  EXPECT_EQ(view.doc.currentProgram, 50);
  EXPECT_EQ(QApplication::focusWidget(), list);
  click(1025);
  click(1017);
  click(1017);
  EXPECT_EQ(view.doc.showUnitNames, 0);
  pairs();
  click(1025);
  EXPECT_EQ(view.doc.showUnitNames, 1);
  view.doc.SetModifiedFlag(false);
  QTest::keyClick(c(1013), Qt::Key_N, Qt::ControlModifier);  // File New
  pairs();

  // With the line on, Alt+F opens no menu.
  click(1063);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.runStatus.runState == LineOn; }, 3000));
  QTest::keyClick(c(1013), Qt::Key_F, Qt::AltModifier);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  click(1063);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.runStatus.runState < LineOn; }, 3000));

  // During a run a click on a time box gives it no focus: Enter stops.
  click(1052);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.runStatus.runState == Running; }, 3000));
  click(1008);
  EXPECT_NE(QApplication::focusWidget(), c(1008));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !view.RunActive(); }, 3000));
}

}  // namespace
}  // namespace hvt
