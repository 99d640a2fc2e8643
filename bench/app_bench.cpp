// The desktop program's figures beside their goals: start-up to the main
// window shown with the built-in instrument (the opening window alone holds
// 500 ms; goal at most 600 ms), the program's CPU share during a 20 s unit
// against hvt-sim at the real line rate (goal under 2 % of one core), and
// how fast a STOP pressed on the window reaches the wire as "CB" while the
// run polls the instrument (goal: median at most 10 ms, and no stop later
// than the longest status tick plus 10 ms).
// Usage: app_bench [STARTS [STOPS]] [--detail]
//   --detail  each stop and where its time went, on standard error

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/Settings.h"
#include "ports/ControlId.h"
#include "view/CPELKView.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"
#include "support/UnitSetup.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"

namespace {

using hvt::testing::LoggedFrame;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// The same clock hvt-sim stamps its log origin with (steady_clock is
// CLOCK_MONOTONIC here, one clock for every process on the machine).
int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Arguments {
  int starts = 5;
  int stops = 20;
  bool detail = false;
};

Arguments ParseArguments(int argc, char** argv) {
  Arguments a;
  int number = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--detail") == 0) {
      a.detail = true;
    } else if (number++ == 0) {
      a.starts = std::max(1, std::atoi(argv[i]));
    } else {
      a.stops = std::max(1, std::atoi(argv[i]));
    }
  }
  return a;
}

void StartUpFigure(int starts) {
  std::vector<double> startMs;
  for (int i = 0; i < starts; ++i) {
    hvt::AppOptions options;
    options.simulate = true;
    QElapsedTimer t;
    t.start();
    hvt::CPELKApp program(options);
    if (!program.Start()) std::exit(1);
    if (!QTest::qWaitForWindowExposed(&program.Frame())) std::exit(1);
    startMs.push_back(t.nsecsElapsed() / 1e6);
    program.Frame().close();
  }
  std::printf(
      "start-up to the main window, --simulate: median %.0f ms of %d (goal <= 600 ms; "
      "the opening window holds 500 ms)\n",
      Median(startMs), starts);
}

bool CpuFigure(hvt::CPELKView& view) {
  hvt::testing::TimedUnit(view.doc, 1, 20, 0);
  hvt::testing::UseUnit(view.doc, view, 1);
  const double cpu0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  view.run.StartRun();
  if (!QTest::qWaitFor([&] { return !view.RunActive(); }, 40000)) {
    std::fprintf(stderr, "the run did not end within 40 s\n");
    return false;
  }
  const double cpu = CpuSeconds() - cpu0;
  const double seconds = wall.elapsed() / 1000.0;
  std::printf(
      "hvt-kp4rs, 20 s unit, hvt-sim --pace 9600: wall %.2f s, cpu %.3f s = %.2f %% of one core "
      "(goal < 2 %%)\n",
      seconds, cpu, 100 * cpu / seconds);
  return true;
}

// One STOP on the steady clock (ns).
struct StopPress {
  int64_t runMs = 0;        // how long the unit ran before it
  int64_t pressNs = 0;      // the operator's hand goes down
  int64_t deliveredNs = 0;  // the window's event handling takes the press
  int64_t filteredNs = 0;   // the form's input filter is done with it (EndRun over)
  // The same press on STOP once the run has ended (EndRun returns at once):
  // what the delivery and the filter cost alone.
  int64_t idleFilterNs = 0;
};

// Notes when a press gets past the application's event filters, the form's
// among them: a widget's own filters come after those.
class PressSeen : public QObject {
 public:
  int64_t atNs = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) atNs = SteadyNs();
    return QObject::eventFilter(watched, event);
  }
};

// Starts the unit with START, lets it run 0.3-1 s and presses STOP, count
// times. The hand is another thread: at its moment it queues the press to
// the window's thread, as a window system does, so a press during a status
// tick waits for the tick. The window's thread meanwhile sits in a real
// event loop (QTest::qWaitFor would nap 10 ms between looks and delay
// timers and the press alike).
bool GiveStops(hvt::CPELKApp& program, int count, std::vector<StopPress>& presses) {
  hvt::CPELKView& view = program.View();
  QWidget* start = program.Window().Control(static_cast<int>(hvt::ControlId::Start));
  QWidget* stop = program.Window().Control(static_cast<int>(hvt::ControlId::Stop));
  if (!start || !stop) return false;
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> runMs(300, 1000);
  presses.assign(static_cast<size_t>(count), {});
  PressSeen seen;
  stop->installEventFilter(&seen);
  QEventLoop loop;
  for (StopPress& press : presses) {
    QTest::mouseClick(start, Qt::LeftButton);
    if (!view.RunActive()) {
      std::fprintf(stderr, "START did not start the unit\n");
      return false;
    }
    press.runMs = runMs(random);
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(press.runMs);
    bool handled = false;
    std::thread hand([&] {
      std::this_thread::sleep_until(due);
      press.pressNs = SteadyNs();
      QMetaObject::invokeMethod(
          stop,
          [&] {
            press.deliveredNs = SteadyNs();
            seen.atNs = 0;
            QTest::mousePress(stop, Qt::LeftButton);
            press.filteredNs = seen.atNs;
            QTest::mouseRelease(stop, Qt::LeftButton);
            handled = true;
            loop.quit();
          },
          Qt::QueuedConnection);
    });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    bound.start(10000);
    loop.exec();
    hand.join();
    if (!handled || view.RunActive() || press.filteredNs == 0) {
      std::fprintf(stderr, "STOP did not end the run\n");
      return false;
    }
    seen.atNs = 0;
    const int64_t idleNs = SteadyNs();
    QTest::mousePress(stop, Qt::LeftButton);
    press.idleFilterNs = seen.atNs - idleNs;
    QTest::mouseRelease(stop, Qt::LeftButton);
  }
  stop->removeEventFilter(&seen);
  return true;
}

// One exchange of the log: from the program's ENQ up to the next one.
struct Exchange {
  std::string command;   // the program's first frame text
  double enq = 0;        // its ENQ arrived (s on the log's clock)
  double ack = 0;        // the simulator's answer to the ENQ passed
  double commandAt = 0;  // the command frame's last byte arrived
  double last = 0;       // the exchange's last byte passed
};

std::vector<Exchange> Exchanges(const std::vector<LoggedFrame>& frames) {
  std::vector<Exchange> exchanges;
  for (const LoggedFrame& f : frames) {
    if (f.direction == '<' && f.IsByte(0x05)) {
      exchanges.push_back({{}, f.seconds, 0, 0, f.seconds});
      continue;
    }
    if (exchanges.empty()) continue;
    Exchange& e = exchanges.back();
    e.last = std::max(e.last, f.seconds);
    if (e.ack == 0 && f.direction == '>') e.ack = f.seconds;
    if (e.command.empty() && f.direction == '<' && !f.Text().empty()) {
      e.command = f.Text();
      e.commandAt = f.seconds;
    }
  }
  return exchanges;
}

struct Tick {
  double begin = 0;
  double end = 0;
};

// The run's status ticks: "QG" and the "QH" right after it.
std::vector<Tick> StatusTicks(const std::vector<Exchange>& exchanges, double from) {
  std::vector<Tick> ticks;
  for (size_t i = 0; i + 1 < exchanges.size(); ++i) {
    if (exchanges[i].enq >= from && exchanges[i].command == "QG" &&
        exchanges[i + 1].command == "QH") {
      ticks.push_back({exchanges[i].enq, exchanges[i + 1].last});
    }
  }
  return ticks;
}

// Reads the simulator's log back and prints the STOP figure; false when a
// stop has no "CB" of its own.
bool StopFigure(const std::filesystem::path& log, const std::vector<StopPress>& presses,
                bool detail) {
  const auto origin = hvt::testing::ReadSimLogOrigin(log);
  if (!origin) {
    std::fprintf(stderr, "%s has no origin line\n", log.c_str());
    return false;
  }
  // The log's times are seconds since its origin: the simulator's own
  // steady_clock reading at its start, the log's first line. Both processes
  // read CLOCK_MONOTONIC on one machine, so a reading of ours maps onto the
  // log by that origin alone, with no offset to estimate (the log keeps
  // microseconds). Each stop's "CB" must follow its press's delivery, which
  // a wrong mapping would soon break.
  auto onLog = [&](int64_t ns) { return static_cast<double>(ns - *origin) / 1e9; };
  const std::vector<Exchange> exchanges = Exchanges(hvt::testing::ReadSimLog(log));
  // The ticks of the stops' runs: from the first START on.
  const std::vector<Tick> ticks =
      StatusTicks(exchanges, onLog(presses.front().pressNs) - presses.front().runMs / 1e3);

  std::vector<double> total, waited, beforeSend, acked, sending, endRun, idleFilter, inTick,
      outsideTick, tickMs;
  for (const Tick& t : ticks) tickMs.push_back((t.end - t.begin) * 1e3);
  for (size_t i = 0; i < presses.size(); ++i) {
    const double press = onLog(presses[i].pressNs);
    const double delivered = onLog(presses[i].deliveredNs);
    const double next = i + 1 < presses.size() ? onLog(presses[i + 1].pressNs) : 1e300;
    const auto cb = std::find_if(exchanges.begin(), exchanges.end(), [&](const Exchange& e) {
      return e.command == "CB" && e.commandAt > press;
    });
    if (cb == exchanges.end() || cb->commandAt > next || cb->enq < delivered) {
      std::fprintf(stderr, "stop %zu: no \"CB\" of its own after its press in %s\n", i + 1,
                   log.c_str());
      return false;
    }
    // A press during a tick waits for its end; so does one whose delivery
    // a tick that began after it got ahead of.
    const bool duringTick = std::any_of(ticks.begin(), ticks.end(), [&](const Tick& t) {
      return t.begin <= press && press <= t.end;
    });
    const bool tickAhead = std::any_of(ticks.begin(), ticks.end(), [&](const Tick& t) {
      return press < t.begin && t.begin < delivered;
    });
    const double ms = (cb->commandAt - press) * 1e3;
    total.push_back(ms);
    waited.push_back((delivered - press) * 1e3);
    beforeSend.push_back((cb->enq - delivered) * 1e3);
    acked.push_back((cb->ack - cb->enq) * 1e3);
    sending.push_back((cb->commandAt - cb->ack) * 1e3);
    endRun.push_back((presses[i].filteredNs - presses[i].deliveredNs) / 1e6);
    idleFilter.push_back(presses[i].idleFilterNs / 1e6);
    (duringTick || tickAhead ? inTick : outsideTick).push_back(ms);
    if (detail) {
      std::fprintf(stderr,
                   "stop %2zu after %4lld ms%-11s: %6.2f ms = %6.2f waiting for the window + %5.2f "
                   "to the ENQ + %5.2f to the ACK + %5.2f to the last byte of \"CB\"\n",
                   i + 1, static_cast<long long>(presses[i].runMs),
                   duringTick  ? " in a tick"
                   : tickAhead ? " tick ahead"
                               : "",
                   ms, waited.back(), beforeSend.back(), acked.back(), sending.back());
    }
  }
  if (detail) {
    std::fprintf(stderr,
                 "medians: waiting for the window %.2f ms (max %.2f), press to the ENQ (filter and "
                 "EndRun before its send) %.2f ms (max %.2f), ENQ to the ACK %.2f ms (max %.2f), "
                 "ACK to the last byte %.2f ms (max %.2f)\n",
                 Median(waited), Max(waited), Median(beforeSend), Max(beforeSend), Median(acked),
                 Max(acked), Median(sending), Max(sending));
    std::fprintf(stderr,
                 "the press through the filter: %.2f ms with the whole EndRun (max %.2f), %.2f ms "
                 "once idle (max %.2f)\n",
                 Median(endRun), Max(endRun), Median(idleFilter), Max(idleFilter));
    std::fprintf(
        stderr,
        "%zu status ticks, median %.1f ms; stops that waited for a tick: %zu, median %.1f ms, max "
        "%.1f ms; outside: %zu, median %.1f ms, max %.1f ms\n",
        tickMs.size(), Median(tickMs), inTick.size(), Median(inTick), Max(inTick),
        outsideTick.size(), Median(outsideTick), Max(outsideTick));
  }
  std::printf(
      "STOP to CB: median %.1f ms, max %.1f ms of %zu stops at 9600 bit/s (longest tick %.1f ms) "
      "(goal: median <= 10 ms, max <= %.1f ms = the longest tick + 10 ms)\n",
      Median(total), Max(total), total.size(), Max(tickMs), Max(tickMs) + 10);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments args = ParseArguments(argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir dir;
  std::filesystem::create_directories(dir.filePath("rt").toStdString());
  std::filesystem::permissions(dir.filePath("rt").toStdString(), std::filesystem::perms::owner_all);
  qputenv("XDG_CONFIG_HOME", dir.filePath("cfg").toUtf8());
  // The journal is on, as at the bench, in a folder of its own.
  qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
  qputenv("XDG_RUNTIME_DIR", dir.filePath("rt").toUtf8());
  QApplication app(argc, argv);

  StartUpFigure(args.starts);

  const std::filesystem::path log = dir.filePath("sim.log").toStdString();
  hvt::testing::SimProcess sim({"--pace", "9600", "--log", log.string()});
  if (sim.Path().empty()) return 1;
  {
    hvt::SettingsFile settings(hvt::SettingsFile::PathUnder(dir.filePath("cfg").toStdString()));
    settings.WriteSetting("Ports", "COM1", sim.Path());
    settings.WriteSetting("EMV", "PORT_NUM", "1");
  }
  hvt::CPELKApp program{hvt::AppOptions{}};
  if (!program.Start()) return 1;
  hvt::CPELKView& view = program.View();
  if (!CpuFigure(view)) return 1;

  // Long enough that no stop meets the unit's own end.
  hvt::testing::TimedUnit(view.doc, 1, 600, 0);
  hvt::testing::UseUnit(view.doc, view, 1);
  std::vector<StopPress> presses;
  if (!GiveStops(program, args.stops, presses)) return 1;
  program.Frame().close();
  sim.Stop();  // the log is complete once the simulator has ended
  return StopFigure(log, presses, args.detail) ? 0 : 1;
}
