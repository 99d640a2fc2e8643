// The desktop program as the operator meets it: its window, driven with
// mouse and keys, against hvt-sim over a real pseudo-terminal.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "model/Settings.h"
#include "run/CPELKView.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"

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

TEST(DesktopE2E, StartUpTypedVoltageStartPauseAndTheFrameLockedDuringTheRun) {
  const fs::path dir = fs::temp_directory_path() / ("hvt-desktop-e2e-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "rt");
  fs::permissions(dir / "rt", fs::perms::owner_all);
  const fs::path log = dir / "sim.log";
  testing::SimProcess sim({"--log", log.string()});
  ASSERT_FALSE(sim.Path().empty());
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "cfg").string()));
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "rt").string()));
  {
    SettingsFile settings(SettingsFile::PathUnder(dir / "cfg"));
    settings.WriteSetting("Ports", "COM1", sim.Path());
    settings.WriteSetting("EMV", "PORT_NUM", "1");
  }

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
  QTest::keyClick(form.findChild<QWidget*>("c1002"), Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(frame.isVisible());

  // PAUSE reacts on the button going down: one "CD1", then again to resume.
  ASSERT_TRUE(QTest::qWaitFor([&] { return app.View().runState == Running; }, 3000));
  QTest::mousePress(form.findChild<QPushButton*>("c1054"), Qt::LeftButton);
  QTest::mouseRelease(form.findChild<QPushButton*>("c1054"), Qt::LeftButton);
  sent = SentTexts(log);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "CD1"), 1);
  QTest::qWait(300);
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
  EXPECT_TRUE(frame.close());
  owned.reset();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace hvt

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
