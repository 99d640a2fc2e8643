// hvtctl run as a process against hvt-sim as a process.

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "journal/Journal.h"
#include "link/CRsBasicProtocol.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "platform/QtSerialDevice.h"
#include "platform/SteadyClock.h"
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

// One unit that injects long enough for a stop to come in the middle.
std::string LongUnit() {
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  UnitRecord& u = doc.unit(1);
  u.injectionTime = 30;
  u.injectionEndless = 0;
  u.intervalTime = 1;
  return StoreDocument(doc);
}

// Frames (and single control bytes) the simulator has logged as received.
size_t ReceivedBytes(const fs::path& log) {
  size_t n = 0;
  for (const auto& f : testing::ReadSimLog(log)) n += f.direction == '<' ? 1 : 0;
  return n;
}

std::string ReadWholeText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the simulator says a test is running ("ok status AGxy ...").
bool SimRunning(testing::SimProcess& sim) {
  const std::string reply = sim.Command("status");
  const size_t at = reply.find("AG");
  return at != std::string::npos && at + 2 < reply.size() && ((reply[at + 2] - '0') & 1) != 0;
}

// Whether the simulator says its EUT line is on.
bool SimLineOn(testing::SimProcess& sim) {
  const std::string reply = sim.Command("status");
  const size_t at = reply.find("AG");
  return at != std::string::npos && at + 3 < reply.size() && ((reply[at + 3] - '0') & 2) != 0;
}

// A test running with its EUT line on, as a program killed in the middle of a
// run leaves the instrument; the port is closed again afterwards.
void LeaveBusy(const std::string& path) {
  QtSerialDevice device;
  SteadyClock clock;
  CRsBasicProtocol protocol(device, clock, [&](int) { return path; });
  ASSERT_TRUE(protocol.OpenPort(1));
  ASSERT_TRUE(protocol.SendCommand("PD0/100/0/0/20/0/0/1/0/3/0/4/10000/1/1"));  // endless
  ASSERT_TRUE(protocol.SendCommand("CA"));
  ASSERT_TRUE(protocol.SendCommand("PC1"));
}

// Waits, within the bound, for the simulator to have no test running.
bool SimStopsWithin(testing::SimProcess& sim, int boundMs) {
  QElapsedTimer waited;
  waited.start();
  do {
    if (!SimRunning(sim)) return true;
    QThread::msleep(20);  // polling the event with a bound, not asserting a delay
  } while (waited.elapsed() < boundMs);
  return !SimRunning(sim);
}

// A voltage sweep of 1.00, 1.50 and 2.00 kV, 1 s at each point.
std::string ThreePointSweep() {
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  UnitRecord& u = doc.unit(1);
  u.injectionTime = 1;
  u.injectionEndless = 0;
  u.intervalTime = 1;
  u.intervalEndless = 0;
  u.testMode = 1;
  u.voltageSweep = 1;
  u.sweepCount = 1;
  u.voltage = 100;
  u.voltageStop = 200;
  u.voltageStep = 50;
  u.sweepOrder = {4, 5, 0, 1, 3, 2};
  return StoreDocument(doc);
}

// The records of the only journal in a folder, and its file.
std::vector<journal::Json> JournalRecords(const fs::path& folder, fs::path* file = nullptr) {
  std::vector<journal::Json> records;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  EXPECT_EQ(files.size(), 1u);
  if (files.empty()) return records;
  if (file) *file = files.front();
  std::ifstream in(files.front(), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (auto r = journal::Json::Parse(line)) records.push_back(*r);
  }
  return records;
}

std::string TypeOf(const journal::Json& r) { return r.Find("type")->AsString(); }

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
  void StartHvtctl(const QStringList& args) { StartCommand(QStringList{"run"} + args); }
  void StartCommand(const QStringList& args) {
    output.clear();
    errors.clear();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));  // no user settings
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.string()));    // nor journals
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.string()));
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    process.start(HVTCTL_PATH, args);
    ASSERT_TRUE(process.waitForStarted(5000));
  }
  // The program's standard output read by head, as a user's pipe would.
  void StartPiped(const QStringList& args, int lines) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.string()));
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    QString command = QString("'%1' run").arg(HVTCTL_PATH);
    for (const QString& a : args) command += " '" + a + "'";
    command += QString(" | head -n %1; echo \"rc=${PIPESTATUS[0]}\"").arg(lines);
    process.start("bash", {"-c", command});
    ASSERT_TRUE(process.waitForStarted(5000));
  }
  // Waits for a line of the output that contains the text.
  bool WaitForLine(const std::string& text, int boundMs) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < boundMs) {
      while (process.canReadLine()) {
        const std::string line = process.readLine().toStdString();
        output += line;
        if (line.find(text) != std::string::npos) return true;
      }
      process.waitForReadyRead(100);
    }
    return false;
  }
  int Finish(int boundMs) {
    EXPECT_TRUE(process.waitForFinished(boundMs)) << "hvtctl did not end";
    output += process.readAllStandardOutput().toStdString();
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
  // A chosen demonstration is no communication error: nothing is said of one.
  EXPECT_EQ(output.find("message: " + LoadString(TextId::ProceedToDemo)), std::string::npos);
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
  // Wait for the first progress line (after the instrument's), then press
  // Ctrl+C.
  ASSERT_TRUE(WaitForLine("status: START", 10000)) << "hvtctl printed no progress";
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
  EXPECT_EQ(errors.rfind("hvtctl run: " + single.string() + ": ", 0), 0u) << errors;

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

// A closed standard output, hang-up, termination and quit all stop the
// instrument: it is sent "CB" and runs no test within a second.
TEST_F(HvtctlRunTest, EveryWayOfEndingTheProgramStopsTheInstrument) {
  const fs::path file = Write("long.plk", LongUnit());
  for (int signal : {SIGHUP, SIGTERM, SIGQUIT}) {
    SCOPED_TRACE(signal);
    const fs::path log = dir / ("sim-" + std::to_string(signal) + ".log");
    sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--log", log.string()});
    output.clear();
    StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
                 QString::fromStdString(sim->Path())});
    ASSERT_TRUE(WaitForLine("remaining", 5000)) << output;
    ASSERT_TRUE(SimRunning(*sim));
    ::kill(static_cast<pid_t>(process.processId()), signal);
    EXPECT_TRUE(SimStopsWithin(*sim, 1000));
    EXPECT_EQ(Finish(10000), 1) << output << errors;
    EXPECT_NE(output.find("stopped"), std::string::npos) << output;
    ASSERT_TRUE(sim->Stop());
    const auto texts = ReceivedTexts(log);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "CB"), texts.end());
    sim.reset();
  }

  // | head -n 1 ends before the test starts; | head -n 3 in the middle of it.
  for (int lines : {1, 3}) {
    SCOPED_TRACE(lines);
    const fs::path log = dir / ("sim-head-" + std::to_string(lines) + ".log");
    sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--log", log.string()});
    output.clear();
    StartPiped({QString::fromStdString(file.string()), "--unit", "1", "--device",
                QString::fromStdString(sim->Path())},
               lines);
    ASSERT_TRUE(WaitForLine("rc=", 10000)) << output;  // head has gone, the program with it
    EXPECT_TRUE(SimStopsWithin(*sim, 1000));
    EXPECT_NE(output.find("rc=1"), std::string::npos) << output;
    EXPECT_EQ(Finish(5000), 0);
    ASSERT_TRUE(sim->Stop());
    const auto texts = ReceivedTexts(log);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "CB"), texts.end());
    sim.reset();
  }
}

// Ctrl+C while the instrument is being identified: the test is never
// started.
TEST_F(HvtctlRunTest, InterruptDuringIdentificationStartsNothing) {
  const fs::path log = dir / "sim.log";
  sim = std::make_unique<testing::SimProcess>(
      std::vector<std::string>{"--pace", "9600", "--log", log.string()});
  const fs::path file = Write("long.plk", LongUnit());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path())});
  // The key is pressed once the first byte of the identification has reached
  // the simulator (a fixed 50 ms from the start can fall before main() while
  // the libraries load), and 50 ms into it.
  QElapsedTimer waited;
  waited.start();
  while (ReceivedBytes(log) == 0 && waited.elapsed() < 5000) process.waitForFinished(10);
  ASSERT_GT(ReceivedBytes(log), 0u);
  process.waitForFinished(50);
  ASSERT_EQ(process.state(), QProcess::Running);
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  EXPECT_EQ(Finish(10000), 1) << output << errors;
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_NE(output.find("nothing was run"), std::string::npos) << output;
  EXPECT_FALSE(SimRunning(*sim));
  ASSERT_TRUE(sim->Stop());
  const auto texts = ReceivedTexts(log);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "QA"), texts.end()) << "it was identifying";
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "CA"), texts.end());
  sim.reset();
}

// What a run prints: the instrument once, what runs on each status line,
// errors with the command and the file first.
TEST_F(HvtctlRunTest, OutputTellsWhatRunsAndErrorsNameTheirFile) {
  sim = std::make_unique<testing::SimProcess>();
  const fs::path file = Write("two.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(file.string()), "--program", "1", "--device",
               QString::fromStdString(sim->Path())});
  ASSERT_TRUE(WaitForLine("step 2 of 2, repetition 1 of 2", 15000)) << output;
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  EXPECT_EQ(Finish(10000), 1);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n') > 0, true);
  const size_t identified = output.find("instrument: \"" + LoadString(TextId::Identification));
  EXPECT_NE(identified, std::string::npos) << output;
  EXPECT_EQ(output.find("instrument:", identified + 1), std::string::npos) << "printed once";
  EXPECT_NE(output.find("[unit 1, step 1 of 2, repetition 1 of 2]"), std::string::npos) << output;
  EXPECT_EQ(errors, "");
  ASSERT_TRUE(sim->Stop());
  sim.reset();

  // A chosen demonstration is not a communication error.
  output.clear();
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--demo"});
  ASSERT_TRUE(WaitForLine("remaining", 5000));
  ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
  EXPECT_EQ(Finish(10000), 1);
  EXPECT_EQ(output.find(LoadString(TextId::ProceedToDemo)), std::string::npos) << output;
  EXPECT_NE(output.find("instrument: demonstration mode"), std::string::npos) << output;
  EXPECT_EQ(errors, "") << "no Qt warnings either";

  // A device that cannot be opened, and one that never answers.
  output.clear();
  const std::string missing = (dir / "no-such-tty").string();
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(missing)});
  EXPECT_EQ(Finish(10000), 1);
  EXPECT_EQ(errors.rfind("hvtctl run: " + file.string() + ": cannot open " + missing + ": ", 0), 0u)
      << errors;
  // The box names the device given; there is no COM port in it.
  EXPECT_NE(output.find("message: " + missing + " can not open. " + missing +
                        ": No such file or directory\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("COM"), std::string::npos) << output;
  sim = std::make_unique<testing::SimProcess>();
  sim->Command("silent 100");
  output.clear();
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path())});
  EXPECT_EQ(Finish(20000), 1);
  EXPECT_EQ(
      errors.rfind("hvtctl run: " + file.string() + ": no answer from " + sim->Path() + " (waited ",
                   0),
      0u)
      << errors;
  EXPECT_NE(output.find("message: Communication error. " + sim->Path() +
                        ": no answer to the identification query\n"),
            std::string::npos)
      << output;
}

// A second run on a port the first one holds: the port is busy, and the
// holder is named, not "permission error".
TEST_F(HvtctlRunTest, APortHeldByAnotherRunIsInUseByThatProgram) {
  sim = std::make_unique<testing::SimProcess>();
  const fs::path file = Write("long.plk", LongUnit());
  const QString device = QString::fromStdString(sim->Path());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device", device});
  ASSERT_TRUE(WaitForLine("remaining", 5000)) << output;
  const std::string holder = std::to_string(process.processId());

  QProcess second;
  second.setProcessEnvironment(process.processEnvironment());
  second.start(HVTCTL_PATH,
               {"run", QString::fromStdString(file.string()), "--unit", "1", "--device", device});
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitCode(), 1);
  const std::string said = "in use by another program (hvtctl, PID " + holder + ")";
  const std::string secondOutput = second.readAllStandardOutput().toStdString();
  const std::string secondErrors = second.readAllStandardError().toStdString();
  EXPECT_NE(
      secondOutput.find("message: " + sim->Path() + " can not open. " + sim->Path() + ": " + said),
      std::string::npos)
      << secondOutput;
  EXPECT_NE(secondErrors.find("cannot open " + sim->Path() + ": " + said), std::string::npos)
      << secondErrors;

  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  EXPECT_EQ(Finish(10000), 1) << "the first run goes on until it is stopped";
}

// The link fails in the middle of a test: the instrument may still be
// firing, and the last line says so.
TEST_F(HvtctlRunTest, CommunicationFailureAsksForAStopAtThePanel) {
  sim = std::make_unique<testing::SimProcess>();
  const fs::path file = Write("long.plk", LongUnit());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path())});
  ASSERT_TRUE(WaitForLine("remaining", 5000)) << output;
  sim->Command("silent 1000");
  EXPECT_EQ(Finish(30000), 1);
  EXPECT_NE(output.find("communication failure"), std::string::npos) << output;
  ASSERT_FALSE(errors.empty());
  const std::string last = errors.substr(errors.rfind('\n', errors.size() - 2) + 1);
  EXPECT_EQ(last.rfind("hvtctl run: " + file.string() +
                           ": the instrument may still be running: stop it at its panel",
                       0),
            0u)
      << errors;
  sim->Command("clear");
}

// A private settings file stays private: only the write bits go.
TEST_F(HvtctlRunTest, SettingsFileKeepsItsMode) {
  sim = std::make_unique<testing::SimProcess>();
  const fs::path file = Write("two.plk", TwoUnitProgram());
  const fs::path settings = dir / "Korrin" / "HVT-KP4RS" / "HVT-KP4RS.INI";
  fs::create_directories(settings.parent_path());
  std::ofstream(settings) << "[EMV]\nTYPE=3\n";
  fs::permissions(settings, fs::perms::owner_read | fs::perms::owner_write);
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "2", "--device",
               QString::fromStdString(sim->Path())});
  EXPECT_EQ(Finish(20000), 0) << output << errors;
  EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all, fs::perms::owner_read);
  EXPECT_NE(ReadWholeText(settings).find("TYPE=3"), std::string::npos);
}

// A test and the EUT line left on by a program that was killed: hvtctl run
// changes nothing on such an instrument, hvtctl stop ends both.
TEST_F(HvtctlRunTest, RunLeavesABusyInstrumentAloneAndStopEndsIt) {
  const fs::path log = dir / "sim.log";
  sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--log", log.string()});
  const QString device = QString::fromStdString(sim->Path());
  LeaveBusy(sim->Path());
  const fs::path file = Write("long.plk", LongUnit());
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device", device});
  EXPECT_EQ(Finish(20000), 1) << output << errors;
  for (const std::string& text :
       {LoadString(TextId::FoundTestRunning), LoadString(TextId::FoundLineOn),
        std::string("end it with hvtctl stop")})
    EXPECT_NE(errors.find(text), std::string::npos) << errors;
  EXPECT_TRUE(SimRunning(*sim));
  EXPECT_TRUE(SimLineOn(*sim));

  StartCommand({"stop", "--device", device});
  EXPECT_EQ(Finish(20000), 0) << output << errors;
  EXPECT_EQ(output, "stopped: no test running, EUT line off\n");
  EXPECT_FALSE(SimRunning(*sim));
  EXPECT_FALSE(SimLineOn(*sim));

  // Only queries came from hvtctl run; the stop sent CB and PC0.
  ASSERT_TRUE(sim->Stop());
  std::vector<std::string> changes;
  for (const auto& t : ReceivedTexts(log)) {
    if (t[0] != 'Q') changes.push_back(t.substr(0, 2));
  }
  EXPECT_EQ(changes, (std::vector<std::string>{"PD", "CA", "PC", "CB", "PC"}));
}

TEST_F(HvtctlRunTest, StopWithoutAnInstrumentOrWithBadArgumentsFails) {
  sim = std::make_unique<testing::SimProcess>();
  const QString device = QString::fromStdString(sim->Path());
  sim->Command("silent 100");
  StartCommand({"stop", "--device", device});
  EXPECT_EQ(Finish(20000), 1);
  EXPECT_EQ(errors.rfind("hvtctl stop: no answer from " + sim->Path() + " (waited ", 0), 0u)
      << errors;
  EXPECT_EQ(output, "");
  sim->Command("clear");

  StartCommand({"stop", "--port", "3", "--device", device});
  EXPECT_EQ(Finish(10000), 2);
  EXPECT_NE(errors.find("Usage: hvtctl stop"), std::string::npos) << errors;
}

}  // namespace
}  // namespace hvt

namespace hvt {
namespace {

TEST_F(HvtctlRunTest, ASweepToItsEndIsJournaledPointByPoint) {
  sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--pace", "9600"});
  ASSERT_FALSE(sim->Path().empty());
  const std::string bytes = ThreePointSweep();
  const fs::path file = Write("sweep.plk", bytes);
  const fs::path folder = dir / "journal";
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--device",
               QString::fromStdString(sim->Path()), "--journal",
               QString::fromStdString(folder.string())});
  ASSERT_EQ(Finish(60000), 0) << output << errors;

  fs::path journalFile;
  const std::vector<journal::Json> records = JournalRecords(folder, &journalFile);
  ASSERT_GE(records.size(), 2u);
  EXPECT_NE(output.find("journal: " + journalFile.string()), std::string::npos) << output;
  const journal::Json& start = records.front();
  EXPECT_EQ(TypeOf(start), "run_start");
  EXPECT_EQ(start.Find("document")->Find("path")->AsString(), fs::absolute(file).string());
  EXPECT_EQ(start.Find("document")->Find("sha256")->AsString().size(), 64u);
  EXPECT_EQ(start.Find("instrument")->Find("identification")->AsString(),
            LoadString(TextId::Identification));
  std::vector<std::string> points;
  for (const auto& r : records) {
    if (TypeOf(r) == "point") points.push_back(r.Find("voltage_kv")->AsString());
  }
  EXPECT_EQ(points, (std::vector<std::string>{"1.00", "1.50", "2.00"}));
  EXPECT_EQ(TypeOf(records.back()), "run_end");
  EXPECT_EQ(records.back().Find("status")->AsString(), "completed");

  StartCommand({"journal", "--json", QString::fromStdString(journalFile.string())});
  EXPECT_EQ(Finish(10000), 0) << errors;
  EXPECT_NE(output.find("\"status\":\"completed\""), std::string::npos) << output;
  EXPECT_NE(output.find("\"first_break_seq\":null"), std::string::npos) << output;
}

// Killed in a run: every record up to the kill stays, the next run closes it
// as crashed by appending only, and the check reads it intact.
TEST_F(HvtctlRunTest, AKilledRunIsClosedAsCrashedByTheNextRun) {
  const fs::path file = Write("long.plk", LongUnit());
  const fs::path folder = dir / "journal";
  const QStringList args{
      QString::fromStdString(file.string()),  "--unit", "1", "--demo", "--journal",
      QString::fromStdString(folder.string())};
  StartHvtctl(args);
  ASSERT_TRUE(WaitForLine("remaining", 10000)) << output;
  ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
  process.waitForFinished(5000);
  fs::path journalFile;
  std::vector<journal::Json> records = JournalRecords(folder, &journalFile);
  ASSERT_GE(records.size(), 2u);
  EXPECT_NE(TypeOf(records.back()), "run_end");
  const std::string killed = ReadWholeText(journalFile);

  StartCommand({"journal", QString::fromStdString(journalFile.string())});
  EXPECT_EQ(Finish(10000), 0) << errors;
  EXPECT_NE(output.find("status: crashed"), std::string::npos) << output;

  const fs::path other = Write("other.plk", TwoUnitProgram());
  StartHvtctl({QString::fromStdString(other.string()), "--unit", "9", "--port", "257", "--journal",
               QString::fromStdString(folder.string())});
  Finish(30000);  // whatever becomes of this run
  EXPECT_NE(errors.find("closed the journal of a run that did not end"), std::string::npos)
      << errors;
  const std::string closed = ReadWholeText(journalFile);
  ASSERT_EQ(closed.substr(0, killed.size()), killed);
  const journal::CheckResult check = journal::CheckJournal(closed);
  EXPECT_EQ(check.outcome, journal::CheckResult::Outcome::Intact) << check.problem;
  EXPECT_EQ(check.status, "crashed");
  EXPECT_EQ(TypeOf(check.parsed.back()), "run_end");
}

// One record in the middle changed, or taken out: the check names its seq.
TEST_F(HvtctlRunTest, ATamperedJournalNamesTheRecordThatWasChanged) {
  const fs::path file = Write("sweep.plk", ThreePointSweep());
  const fs::path folder = dir / "journal";
  StartHvtctl({QString::fromStdString(file.string()), "--unit", "1", "--demo", "--journal",
               QString::fromStdString(folder.string())});
  ASSERT_EQ(Finish(60000), 0) << output << errors;
  fs::path journalFile;
  JournalRecords(folder, &journalFile);
  std::vector<std::string> lines;
  {
    std::ifstream in(journalFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  ASSERT_GE(lines.size(), 5u);
  auto check = [&](const std::vector<std::string>& ls) {
    const fs::path copy = dir / "copy.jsonl";
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    for (const auto& l : ls) out << l << "\n";
    out.close();
    StartCommand({"journal", "--json", QString::fromStdString(copy.string())});
    return Finish(10000);
  };
  std::vector<std::string> changed = lines;
  changed[2].replace(changed[2].find("\"1.00\""), 6, "\"9.99\"");
  EXPECT_EQ(check(changed), 1);
  EXPECT_NE(output.find("\"first_break_seq\":2"), std::string::npos) << output;
  std::vector<std::string> removed = lines;
  removed.erase(removed.begin() + 3);
  EXPECT_EQ(check(removed), 1);
  EXPECT_NE(output.find("\"first_break_seq\":3"), std::string::npos) << output;
}

}  // namespace
}  // namespace hvt
