// The desktop program ended without its own goodbye — its display gone, a
// crash, a kill — against hvt-sim in strict mode, which ignores a frame
// sent before its ENQ was acknowledged: the instrument must end up stopped
// through the full handshake, or be asked about at the next start.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "link/InstrumentActivity.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"
#include "support/AppFolders.h"
#include "support/EndAtTheBox.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"
#include "ui/CPELKApp.h"

extern char** environ;

namespace hvt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A child with its standard output on a pipe and an environment of its own.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
        int outFd = STDOUT_FILENO) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], outFd);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    // The extra variables replace inherited ones: getenv takes the first.
    std::vector<std::string> env = extraEnv;
    for (char** e = environ; *e; ++e) {
      const std::string var(*e);
      const auto same = [&var](const std::string& x) {
        return var.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
      };
      if (std::none_of(extraEnv.begin(), extraEnv.end(), same)) env.push_back(var);
    }
    std::vector<char*> args, envp;
    for (auto a : argv) args.push_back(strdup(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
    for (char* a : args) free(a);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    fromChild = out[0];
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (fromChild >= 0) close(fromChild);
  }

  // The next line of its output, "" when none came within the bound.
  std::string ReadLine(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (const size_t eol = buffer.find('\n'); eol != std::string::npos) {
        std::string line = buffer.substr(0, eol);
        buffer.erase(0, eol + 1);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return {};
      pollfd p{fromChild, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char chunk[256];
      const ssize_t n = read(fromChild, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffer.append(chunk, static_cast<size_t>(n));
    }
  }

  // Its wait status once it has ended within the bound, else nothing.
  std::optional<int> Wait(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return status;
      }
      pollfd p{fromChild, POLLIN, 0};  // its output closing wakes us early
      if (poll(&p, 1, 20) > 0) {
        char chunk[256];
        if (read(fromChild, chunk, sizeof chunk) > 0) continue;
      }
    }
    return std::nullopt;
  }

  pid_t pid = -1;

 private:
  int fromChild = -1;
  std::string buffer;
};

// An X server for the program alone, so that a test can take it away.
struct OwnDisplay {
  OwnDisplay()
      : server(
            {"/usr/bin/Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
            {}, 3) {
    const std::string number = server.ReadLine(10000);
    if (!number.empty()) name = ":" + number;
  }
  std::string name;
  Child server;
};

struct Bench : testing::AppFolders {
  Bench() : AppFolders("hvt-abrupt"), sim({"--strict", "--log", (root / "sim.log").string()}) {
    SettingsFile settings = Settings();
    settings.WriteSetting("Ports", "COM1", sim.Path());
    settings.WriteSetting("EMV", "PORT_NUM", "1");
  }
  InstrumentActivity Status() {
    const std::string reply = sim.Command("status");  // "ok status AG.. AH.."
    const size_t at = reply.find("AG");
    return ActivityFromStatus(at == std::string::npos ? std::string() : reply.substr(at, 4));
  }
  // Frames from the program, in order.
  std::vector<std::string> Sent() {
    std::vector<std::string> texts;
    for (const auto& f : testing::ReadSimLog(root / "sim.log")) {
      if (f.direction == '<' && !f.Text().empty()) texts.push_back(f.Text());
    }
    return texts;
  }
  bool SentSince(size_t from, const std::string& text) {
    const auto all = Sent();
    return std::find(all.begin() + std::min(from, all.size()), all.end(), text) != all.end();
  }
  std::vector<std::string> Env(const std::string& display) const {
    std::vector<std::string> env{"XDG_CONFIG_HOME=" + (root / "cfg").string(),
                                 "XDG_DATA_HOME=" + (root / "data").string(),
                                 "XDG_RUNTIME_DIR=" + (root / "rt").string(),
                                 "ASAN_OPTIONS=detect_leaks=0"};
    if (display.empty()) {
      env.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
      env.push_back("QT_QPA_PLATFORM=xcb");
      env.push_back("DISPLAY=" + display);
    }
    return env;
  }
  testing::SimProcess sim;
};

enum class End { DisplayLoss, Abort, Segv, StackOverflow };

struct Case {
  End end;
  bool run;  // a test running, else only the EUT line on
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << static_cast<int>(c.end) << (c.run ? " run" : " line");
}

class AbruptEnd : public ::testing::TestWithParam<Case> {};

TEST_P(AbruptEnd, TheInstrumentIsStoppedThroughTheHandshake) {
  const Case c = GetParam();
  rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  std::optional<OwnDisplay> display;
  if (c.end == End::DisplayLoss) {
    display.emplace();
    ASSERT_FALSE(display->name.empty()) << "Xvfb did not start";
  }
  Bench bench;
  ASSERT_FALSE(bench.sim.Path().empty());
  Child program({ABRUPT_END_DRIVER_PATH, c.run ? "run" : "line",
                 c.end == End::StackOverflow ? "overflow" : ""},
                bench.Env(display ? display->name : std::string()));
  ASSERT_EQ(program.ReadLine(20000), "ready");
  const InstrumentActivity before = bench.Status();
  ASSERT_EQ(before.testRunning, c.run);
  ASSERT_TRUE(before.lineOn || c.run);
  const size_t sentBefore = bench.Sent().size();

  const auto t0 = Clock::now();
  switch (c.end) {
    case End::DisplayLoss:
      kill(display->server.pid, SIGKILL);
      break;
    case End::Abort:
      kill(program.pid, SIGABRT);
      break;
    case End::Segv:
      kill(program.pid, SIGSEGV);
      break;
    case End::StackOverflow:
      kill(program.pid, SIGUSR1);
      break;
  }
  const std::string stop = c.run ? "CB" : "PC0";
  const bool sent = QTest::qWaitFor([&] { return bench.SentSince(sentBefore, stop); }, 1000);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
  EXPECT_TRUE(sent) << stop << " did not reach the instrument within 1 s";
  std::printf("[ figure ] %s reached the instrument %lld ms after the end\n", stop.c_str(),
              static_cast<long long>(ms));

  const std::optional<int> status = program.Wait(5000);
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  if (c.end == End::DisplayLoss) {
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << *status;
  } else {
    // The signal took its own course after the last gasp.
    EXPECT_TRUE(WIFSIGNALED(*status));
    EXPECT_EQ(WTERMSIG(*status), c.end == End::Abort ? SIGABRT : SIGSEGV);
    // A stack overflow is a SIGSEGV too, handled on the alternate stack.
  }
  const InstrumentActivity after = bench.Status();
  EXPECT_FALSE(after.testRunning);
  if (!c.run) EXPECT_FALSE(after.lineOn);
}

const Case kCases[] = {{End::DisplayLoss, true},  {End::DisplayLoss, false}, {End::Abort, true},
                       {End::Abort, false},       {End::Segv, true},         {End::Segv, false},
                       {End::StackOverflow, true}};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const char* end[] = {"DisplayLoss", "Abort", "Segv", "StackOverflow"};
  return std::string(end[static_cast<int>(info.param.end)]) +
         (info.param.run ? "DuringARun" : "WithTheLineOn");
}

INSTANTIATE_TEST_SUITE_P(Ends, AbruptEnd, ::testing::ValuesIn(kCases), CaseName);

// Answers each message box as an operator who reads it: keeps the text and
// presses the box's default button, or the one given for its kind.
struct DefaultAnswerer {
  DefaultAnswerer() {
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      // A new box may take the place of the one just answered.
      if (!box || box->property("answered").toBool()) return;
      box->setProperty("answered", true);
      texts.push_back(box->text().toStdString());
      QAbstractButton* pick = box->button(QMessageBox::Ignore);
      if (!pick) pick = box->defaultButton();
      if (!pick) pick = box->buttons().front();
      pick->click();
    });
    timer.start();
  }
  QTimer timer;
  std::vector<std::string> texts;
};

TEST(AbruptEndRestart, AfterAKillTheNextStartAsksAndItsDefaultAnswerStops) {
  Bench bench;
  {
    Child program({ABRUPT_END_DRIVER_PATH, "run"}, bench.Env({}));
    ASSERT_EQ(program.ReadLine(20000), "ready");
    kill(program.pid, SIGKILL);  // nothing can run after this
    ASSERT_TRUE(program.Wait(5000).has_value());
  }
  ASSERT_TRUE(bench.Status().testRunning);
  const size_t sentBefore = bench.Sent().size();

  DefaultAnswerer operatorAnswers;
  {
    CPELKApp app{AppOptions{}};
    ASSERT_TRUE(app.Start());
    ASSERT_EQ(operatorAnswers.texts.size(), 1u);
    const std::string& box = operatorAnswers.texts[0];
    EXPECT_NE(box.find(LoadString(TextId::FoundTestRunning)), std::string::npos) << box;
    EXPECT_NE(box.find("ended unexpectedly"), std::string::npos) << box;
    EXPECT_FALSE(app.View().watch.LeftTestRunning());
  }
  EXPECT_TRUE(bench.SentSince(sentBefore, "CB"));
  EXPECT_TRUE(bench.SentSince(sentBefore, "PC0"));
  EXPECT_FALSE(bench.Status().Busy());
}

// The session ends while the box about the busy instrument waits: its
// default answer is taken first, so the program stops what it found.
TEST(AbruptEndRestart, ToldToEndAtTheBusyBoxItStopsTheInstrumentAndEnds) {
  Bench bench;
  {
    Child program({ABRUPT_END_DRIVER_PATH, "run"}, bench.Env({}));
    ASSERT_EQ(program.ReadLine(20000), "ready");
    kill(program.pid, SIGKILL);
    ASSERT_TRUE(program.Wait(5000).has_value());
  }
  ASSERT_TRUE(bench.Status().testRunning);
  const size_t sentBefore = bench.Sent().size();
  {
    testing::EndAtTheBox operatorGone;
    CPELKApp app{AppOptions{}};
    EXPECT_FALSE(app.Start());
    EXPECT_TRUE(operatorGone.ignored.empty());
    ASSERT_EQ(operatorGone.texts.size(), 1u);
    EXPECT_NE(operatorGone.texts[0].find(LoadString(TextId::FoundTestRunning)), std::string::npos);
  }
  EXPECT_TRUE(bench.SentSince(sentBefore, "CB"));
  EXPECT_TRUE(bench.SentSince(sentBefore, "PC0"));
  EXPECT_FALSE(bench.Status().Busy());
}

TEST(AbruptEndRestart, DemonstrationModeAsksNothingAboutTheInstrument) {
  Bench bench;
  bench.Settings().WriteSetting("Ports", "COM1", (bench.root / "no-such-port").string());
  DefaultAnswerer operatorAnswers;
  CPELKApp app{AppOptions{}};
  ASSERT_TRUE(app.Start());  // Ignore at the failed connection: demonstration mode
  EXPECT_EQ(app.View().doc.demoMode, 1);
  for (const std::string& text : operatorAnswers.texts) {
    EXPECT_EQ(text.find("ended unexpectedly"), std::string::npos) << text;
  }
  EXPECT_EQ(operatorAnswers.texts.size(), 2u);  // 6000 and 6004, nothing more
}

}  // namespace
}  // namespace hvt
