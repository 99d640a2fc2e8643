// hvtctl run as a process against hvt-sim as a process.

#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/DocumentFile.h"
#include "model/StringTable.h"
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

// The command texts that reached the simulator, from its byte log.
std::vector<std::string> ReceivedTexts(const fs::path& log) {
  std::ifstream in(log);
  std::vector<std::string> texts;
  std::string line, current;
  bool inFrame = false, checkNext = false;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string time, dir, hex;
    if (!(fields >> time >> dir >> hex) || dir != "<") continue;
    const int byte = std::stoi(hex, nullptr, 16);
    if (checkNext) {  // the block check after ETX
      checkNext = false;
      continue;
    }
    if (byte == 0x02) {
      inFrame = true;
      current.clear();
    } else if (byte == 0x03 && inFrame) {
      texts.push_back(current);
      inFrame = false;
      checkNext = true;
    } else if (inFrame) {
      current += static_cast<char>(byte);
    }
  }
  return texts;
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
    timer.start();
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
  QElapsedTimer timer;
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
  EXPECT_EQ(Finish(40000), 0) << output << errors;
  const double seconds = timer.elapsed() / 1000.0;
  // (3 + 2 + 3) x 2 + 2 between the repetitions.
  EXPECT_NE(output.find("estimated 18 s"), std::string::npos) << output;
  EXPECT_GT(seconds, 17.0);
  EXPECT_LT(seconds, 22.0);
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
}

TEST_F(HvtctlRunTest, DemonstrationModeKeepsItsOwnClock) {
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--program", "1", "--demo"});
  EXPECT_EQ(Finish(40000), 0) << output << errors;
  const double seconds = timer.elapsed() / 1000.0;
  EXPECT_GT(seconds, 17.5);
  EXPECT_LT(seconds, 21.0);
  EXPECT_NE(output.find("message: " + LoadString(6004)), std::string::npos);
  EXPECT_NE(output.find("completed"), std::string::npos);
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
