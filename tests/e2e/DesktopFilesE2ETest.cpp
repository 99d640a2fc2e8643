// The desktop program's files and serial port set-up as the operator meets
// them: the system's dialogs, real files, hvt-sim on pseudo-terminals.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "model/DocumentFile.h"
#include "model/Settings.h"
#include "view/CPELKView.h"
#include "support/AppFolders.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"
#include "ui/CPELKApp.h"
#include "ui/MainFrame.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

struct Folders : testing::AppFolders {
  Folders() : AppFolders("hvt-files") {}
};

// The operator at the modal windows that open: file dialogs get the next
// name, message boxes are read and answered, the RS-232 dialog is handed
// to a script.
struct Operator {
  Operator() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] { Act(); });
    timer.start();
  }
  void Act() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      messages.push_back(box->text().toStdString());
      const auto answer = answers.empty() ? QMessageBox::Ok : answers.front();
      if (!answers.empty()) answers.pop_front();
      // A box without the expected button is a failure to see, not a crash.
      QAbstractButton* button = box->button(answer);
      if (!button) {
        ADD_FAILURE() << "no such button on: " << messages.back();
        button = box->buttons().value(0);
      }
      button->click();
    } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
      if (names.empty()) {
        files->reject();
        return;
      }
      // Typed into the name field, as the only choice: a file still selected
      // in the list (the proposed name, once the folder has loaded) would
      // win over the typed one.
      for (auto* view : files->findChildren<QAbstractItemView*>()) view->clearSelection();
      auto* field = files->findChild<QLineEdit*>("fileNameEdit");
      if (!field) {
        ADD_FAILURE() << "no file name field";
        files->reject();
        return;
      }
      field->setText(QString::fromStdString(names.front()));
      names.pop_front();
      static_cast<QDialog*>(files)->done(QDialog::Accepted);  // as its Open or Save button
    } else if (modal && modal->objectName() == "Rs232Dialog" && rs232) {
      auto script = std::move(rs232);
      rs232 = nullptr;
      script(modal);
    }
  }
  QTimer timer;
  std::deque<std::string> names;
  std::deque<QMessageBox::StandardButton> answers;
  std::vector<std::string> messages;
  std::function<void(QWidget*)> rs232;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<std::string> SentTexts(const fs::path& log) {
  std::vector<std::string> texts;
  for (const auto& f : testing::ReadSimLog(log)) {
    if (f.direction == '<' && !f.Text().empty()) texts.push_back(f.Text());
  }
  return texts;
}

// Only the given COM ports have a device; every other one a name that does
// not open, so that the machine's own serial ports stay out of the list.
void MapPorts(SettingsFile settings, const std::map<int, std::string>& ports, const fs::path& none,
              int portNumber) {
  for (int n = 1; n <= 96; ++n) {
    const auto it = ports.find(n);
    settings.WriteSetting("Ports", "COM" + std::to_string(n),
                          it != ports.end() ? it->second : none.string());
  }
  settings.WriteSetting("EMV", "PORT_NUM", std::to_string(portNumber));
}

TEST(DesktopFiles, OpenRefuseFitAndSaveAsOnA205Instrument) {
  Folders folders;
  testing::SimProcess sim({"--max-voltage", "205"});
  ASSERT_FALSE(sim.Path().empty());
  MapPorts(folders.Settings(), {{1, sim.Path()}}, folders.root / "none", 1);

  CPELKDoc made;  // on a 4.10 kV instrument
  made.InitNewDocument();
  made.unit(2).terminator = kTerminatorOpen;
  made.unit(2).voltage = 500;
  made.unit(2).voltageStop = 510;
  made.unit(7).terminator = kTerminatorOpen;
  made.unit(7).voltage = 450;
  const std::string high = StoreDocument(made);
  CPELKDoc plain;
  plain.InitNewDocument();
  plain.unit(3).voltage = 150;
  plain.testMemo = "kept as it was";
  plain.programStepCount = plain.CountProgramSteps(plain.currentProgram);  // as saved by us
  const std::string plainBytes = StoreDocument(plain);
  const fs::path dir = folders.root;
  WriteFile(dir / "high.plk", high);
  WriteFile(dir / "plain.plk", plainBytes);
  WriteFile(dir / "cut.plk", plainBytes.substr(0, 1000));
  WriteFile(dir / "notes.txt", plainBytes);

  Operator op;
  CPELKApp app{AppOptions{}};
  ASSERT_TRUE(app.Start());
  MainFrame& frame = app.Frame();
  CPELKDoc& doc = app.View().doc;
  ASSERT_EQ(doc.demoMode, 0);
  ASSERT_EQ(doc.maxVoltage, 205);
  EXPECT_EQ(frame.windowTitle(), "Untitled - HVT-KP4RS");
  auto command = [&](int id) {
    frame.Action(id)->trigger();
    QApplication::processEvents();
  };

  op.names = {(dir / "high.plk").string()};
  command(MainFrame::kFileOpen);
  EXPECT_EQ(op.messages, std::vector<std::string>{(dir / "high.plk").string() +
                                                  " seems to have been saved with a different "
                                                  "model with the different maximum voltage. "});
  EXPECT_EQ(doc.unit(2).voltage, 1);
  EXPECT_EQ(doc.unit(2).voltageStop, 2);
  EXPECT_EQ(doc.unit(7).voltage, 1);
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(frame.windowTitle(), "high.plk - HVT-KP4RS");
  EXPECT_EQ(frame.RecentFiles().value(0).toStdString(), (dir / "high.plk").string());

  // Opened and saved under another name: the same bytes.
  op.messages.clear();
  op.names = {(dir / "plain.plk").string(), (dir / "copy.plk").string()};
  command(MainFrame::kFileOpen);
  command(MainFrame::kFileSaveAs);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_TRUE(ReadFile(dir / "copy.plk") == plainBytes);
  EXPECT_EQ(frame.windowTitle(), "copy.plk - HVT-KP4RS");

  // Refused files: the work stays, modified, under its own name.
  doc.unit(3).voltage = 99;
  doc.SetModifiedFlag(true);
  const std::string work = StoreDocument(doc);
  doc.SetModifiedFlag(true);
  op.names = {(dir / "notes.txt").string(), (dir / "cut.plk").string()};
  op.answers = {QMessageBox::No, QMessageBox::Ok, QMessageBox::No, QMessageBox::Ok};
  command(MainFrame::kFileOpen);
  command(MainFrame::kFileOpen);
  const std::string ask = "Save changes to " + (dir / "copy.plk").string() + "?";
  EXPECT_EQ(op.messages,
            (std::vector<std::string>{ask,
                                      (dir / "notes.txt").string() +
                                          " not recognized.\nOnly Files with \"plk\" extension "
                                          "can be opened.",
                                      ask,
                                      "Unexpected file format.\n" + (dir / "cut.plk").string() +
                                          ": the file ends at byte 1000"}));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(frame.windowTitle(), "copy.plk - HVT-KP4RS");
  EXPECT_TRUE(StoreDocument(doc) == work);

  // New, after No to the prompt.
  op.answers = {QMessageBox::No};
  command(MainFrame::kFileNew);
  EXPECT_EQ(frame.windowTitle(), "Untitled - HVT-KP4RS");
  EXPECT_EQ(doc.unit(3).voltage, 1);
  EXPECT_TRUE(ReadFile(dir / "copy.plk") == plainBytes);
  EXPECT_TRUE(frame.close());
}

TEST(DesktopFiles, Rs232SetUpListsBothInstrumentsAndMovesToTheChosenOne) {
  Folders folders;
  const fs::path logA = folders.root / "a.log";
  const fs::path logB = folders.root / "b.log";
  fs::create_directories(folders.root);
  testing::SimProcess a({"--log", logA.string()});
  testing::SimProcess b({"--log", logB.string()});
  ASSERT_FALSE(a.Path().empty());
  ASSERT_FALSE(b.Path().empty());
  MapPorts(folders.Settings(), {{1, a.Path()}, {3, b.Path()}}, folders.root / "none", 3);

  Operator op;
  CPELKApp app{AppOptions{}};
  ASSERT_TRUE(app.Start());
  ASSERT_EQ(app.View().doc.demoMode, 0);
  ASSERT_EQ(app.View().doc.portNumber, 3);
  const size_t sentToA = SentTexts(logA).size();

  QStringList entries;
  QString selected;
  QString caption;
  op.rs232 = [&](QWidget* dialog) {
    caption = dialog->windowTitle();
    auto* combo = dialog->findChild<QComboBox*>("c1031");
    for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
    selected = combo->currentText();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Return);  // Enter on the list does nothing
    QTest::keyClick(combo, Qt::Key_Up);      // COM1
    QTest::mouseClick(dialog->findChild<QPushButton*>("c1"), Qt::LeftButton);
  };
  app.Frame().Action(MainFrame::kRs232Setup)->trigger();
  EXPECT_EQ(caption, "RS-232  SetUp");
  EXPECT_EQ(entries, (QStringList{QString::fromStdString("COM1 (" + a.Path() + ")"),
                                  QString::fromStdString("COM3 (" + b.Path() + ")")}));
  EXPECT_EQ(selected, entries.value(1));
  EXPECT_EQ(folders.Settings().ReadSetting("EMV", "PORT_NUM"), "1");
  EXPECT_EQ(app.View().doc.portNumber, 1);
  const std::vector<std::string> sent = SentTexts(logA);
  ASSERT_GT(sent.size(), sentToA);
  EXPECT_EQ(sent[sentToA], "QA");  // identified anew
  EXPECT_EQ(app.View().doc.demoMode, 0);
  EXPECT_TRUE(op.messages.empty());
  EXPECT_TRUE(app.Frame().close());
}

}  // namespace
}  // namespace hvt
