// hvtctl run as a process against hvt-sim as a process.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

// Two units of 3 s injection and 2 s interval, program 1 runs them twice.
std::string TwoUnitProgram(int type = 3) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  for (int n : {1, 2}) {
    UnitRecord& u = doc.unit(n);
    u.injectionTime = 3;
    u.injectionEndless = 0;
    u.intervalTime = 2;
    u.voltage = 100 * n;
  }
  ProgramRecord& p = doc.program(1);
  p.step(1) = 1;
  p.step(3) = 2;
  p.times = 2;
  return StoreDocument(doc);
}

// The command texts that reached the simulator, from its log.
std::vector<std::string> ReceivedTexts(const fs::path& log) {
  std::vector<std::string> texts;
  for (const auto& f : testing::ReadSimLog(log)) {
    if (f.direction == '<' && !f.Text().empty()) texts.push_back(f.Text());
  }
  return texts;
}

// The third character's flags of a "QG" answer, or -1 for other frames.
int RunFlags(const testing::LoggedFrame& f) {
  const std::string t = f.Text();
  if (f.direction != '>' || t.size() < 4 || t.compare(0, 2, "AG") != 0) return -1;
  return t[2] & 0x0F;
}

// The remaining seconds of each status line that shows them, in order.
std::vector<int> RemainingSeconds(const std::string& output) {
  std::vector<int> out;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("remaining ");
    if (line.rfind("status: ", 0) != 0 || at == std::string::npos) continue;
    const std::string r = line.substr(at + 10);
    // "45s", "2m 5s" or "1h 2m 5s"
    int total = 0, value = 0;
    for (char c : r) {
      if (c >= '0' && c <= '9') {
        value = value * 10 + (c - '0');
      } else if (c == 'h' || c == 'm' || c == 's') {
        total += value * (c == 'h' ? 3600 : c == 'm' ? 60 : 1);
        value = 0;
        if (c == 's') break;
      }
    }
    out.push_back(total);
  }
  return out;
}

class HvtctlRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("hvtctl-run-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (sim) {
      EXPECT_TRUE(sim->Stop());
    }
    fs::remove_all(dir);
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  void StartHvtctl(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));  // no user settings
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.string()));
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    process.start(HVTCTL_PATH, QStringList{"run"} + args);
    ASSERT_TRUE(process.waitForStarted(5000));
  }
  int Finish(int boundMs) {
    EXPECT_TRUE(process.waitForFinished(boundMs)) << "hvtctl did not end";
    output = process.readAllStandardOutput().toStdString();
    errors = process.readAllStandardError().toStdString();
    return process.exitCode();
  }

  fs::path dir;
  std::unique_ptr<testing::SimProcess> sim;
  QProcess process;
  std::string output, errors;
};

TEST_F(HvtctlRunTest, ProgramOnTheSimulatorRunsItsUnitsInOrder) {
  const fs::path log = dir / "sim.log";
  sim = std::make_unique<testing::SimProcess>(
      std::vector<std::string>{"--pace", "9600", "--log", log.string()});
  ASSERT_FALSE(sim->Path().empty());
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--program", "1", "--device",
               QString::fromStdString(sim->Path())});
  EXPECT_EQ(Finish(60000), 0) << output << errors;
  // (3 + 2 + 3) x 2 + 2 between the repetitions.
  EXPECT_NE(output.find("estimated 18 s"), std::string::npos) << output;
  EXPECT_NE(output.find("status: START   50%"), std::string::npos);
  EXPECT_NE(output.find("status: Ready"), std::string::npos);

  ASSERT_TRUE(sim->Stop());
  const auto texts = ReceivedTexts(log);
  std::vector<std::string> units;
  for (const auto& t : texts) {
    if (t.rfind("PD", 0) == 0) units.push_back(t.substr(0, t.find('/', 4)));
  }
  EXPECT_EQ(units, (std::vector<std::string>{"PD0/100", "PD0/200", "PD0/100", "PD0/200"}));
  // The last command is the stop; the line state is read after it.
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts.end()[-2], "CB");
  EXPECT_EQ(texts.back(), "QC");

  // When things were sent, by the simulator's clock.
  const auto frames = testing::ReadSimLog(log);
  auto sent = [&](const std::string& text, size_t from = 0) {
    for (size_t i = from; i < frames.size(); ++i) {
      if (frames[i].direction == '<' && frames[i].Text() == text) return i;
    }
    return frames.size();
  };
  const size_t start = sent("CA");
  const size_t stop = sent("CB");
  ASSERT_LT(start, frames.size());
  ASSERT_LT(stop, frames.size());
  // The stop follows the first status that shows the test over, and nothing
  // but its own transaction lies between.
  size_t over = start;
  while (over < frames.size() && (RunFlags(frames[over]) < 0 || (RunFlags(frames[over]) & 1))) {
    ++over;
  }
  ASSERT_LT(over, stop) << "CB before the instrument ended the test";
  for (size_t i = over + 1; i < stop; ++i) {
    EXPECT_TRUE(frames[i].Text().empty()) << "between the end and CB: " << frames[i].Text();
  }
  // The instrument ran the whole program: at least its 18 s, less the
  // seconds digit's granularity.
  EXPECT_GE(frames[over].seconds - frames[start].seconds, 17.0);
  // Each further unit went out only when the instrument asked for it.
  int fed = 0;
  for (size_t i = start; i < stop; ++i) {
    if (frames[i].direction != '<' || frames[i].Text().rfind("PD", 0) != 0) continue;
    ++fed;
    size_t asked = i;
    while (asked > start && RunFlags(frames[asked]) < 0) --asked;
    EXPECT_TRUE(RunFlags(frames[asked]) & 8) << "unit sent unasked at " << frames[i].seconds;
  }
  EXPECT_EQ(fed, 3);
  // The status is polled on a 200 ms timer, not in a loop.
  double lastPoll = -1;
  for (size_t i = start; i < stop; ++i) {
    if (frames[i].direction != '<' || frames[i].Text() != "QG") continue;
    if (lastPoll >= 0) {
      EXPECT_GE(frames[i].seconds - lastPoll, 0.18) << "at " << frames[i].seconds;
    }
    lastPoll = frames[i].seconds;
  }
}

TEST_F(HvtctlRunTest, DemonstrationModeKeepsItsOwnClock) {
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--program", "1", "--demo"});
  EXPECT_EQ(Finish(60000), 0) << output << errors;
  EXPECT_NE(output.find("message: " + LoadString(6004)), std::string::npos);
  EXPECT_NE(output.find("completed"), std::string::npos);
  // Every simulated second of the 18 is counted once, in order, down to 0.
  const std::vector<int> shown = RemainingSeconds(output);
  std::vector<int> expected;
  for (int r = 17; r >= 0; --r) expected.push_back(r);
  EXPECT_EQ(shown, expected) << output;
}

TEST_F(HvtctlRunTest, InterruptStopsTheRunWithTheStopCommand) {
  const fs::path log = dir / "sim.log";
  sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--log", log.string()});
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path())});
  // Wait for the first progress line, then press Ctrl+C.
  for (int i = 0; i < 10 && !process.canReadLine(); ++i) process.waitForReadyRead(1000);
  ASSERT_TRUE(process.canReadLine()) << "hvtctl printed nothing";
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  EXPECT_EQ(Finish(10000), 1);
  EXPECT_NE(output.find("stopped"), std::string::npos) << output;
  ASSERT_TRUE(sim->Stop());
  const auto texts = ReceivedTexts(log);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "CB"), texts.end());
}

TEST_F(HvtctlRunTest, RefusalsAndFailures) {
  // A document of the other injection unit type.
  const fs::path single = Write("single.plk", TwoUnitProgram(1));
  StartHvtctl({QString::fromStdString(single.string()), "--unit", "1", "--demo"});
  EXPECT_EQ(Finish(10000), 2);
  EXPECT_NE(errors.find("differenet properties as to Injection Unit type"), std::string::npos);

  // An instrument that is not ours: Abort at start-up.
  sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--identity", "AAOTHER"});
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path())});
  EXPECT_EQ(Finish(10000), 1);
  EXPECT_NE(output.find("message: The instrument being connected is not HVT-KP4"),
            std::string::npos);

  for (const QStringList& bad :
       {QStringList{QString::fromStdString(file.string())},
        QStringList{QString::fromStdString(file.string()), "--unit", "51"},
        QStringList{QString::fromStdString(file.string()), "--unit", "1", "--program", "1"},
        QStringList{QString::fromStdString(file.string()), "--unit", "1", "--demo", "--port", "3"},
        QStringList{QString::fromStdString((dir / "x.txt").string()), "--unit", "1"}}) {
    StartHvtctl(bad);
    EXPECT_EQ(Finish(10000), 2) << bad.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace hvt
