#include "hvtctl/RunCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <csignal>
#include <memory>
#include <optional>
#include <ostream>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "hvtctl/PlkCommands.h"
#include "link/PortPaths.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"
#include "platform/QtSerialDevice.h"
#include "platform/QtTimerHost.h"
#include "platform/SettingsLocation.h"
#include "platform/SteadyClock.h"
#include "platform/SystemLanguage.h"
#include "run/CPELKView.h"
#include "run/HeadlessForm.h"

namespace hvt {

const char* const kRunHelp =
    "Usage: hvtctl run FILE.plk (--unit N | --program N)\n"
    "                  [--port N | --device PATH | --demo] [--one-shot]\n"
    "                  [--answer-demo yes|no]\n"
    "\n"
    "Runs one unit, or one program as a TEST SEQUENCE, to its end, as the\n"
    "desktop program does when START is pressed. The instrument is connected\n"
    "and identified first and its configuration read (it fixes the injection\n"
    "unit type); then the document is loaded and units saved with another\n"
    "model are fitted to this one.\n"
    "\n"
    "Options:\n"
    "  --unit N             run unit N (1..50) on its own\n"
    "  --program N          run program N (1..50), repeated its Program Times\n"
    "  --port N             COM port number (1..257; default: the settings file's\n"
    "                       PORT_NUM, else the document's)\n"
    "  --device PATH        open this serial device instead of a numbered port\n"
    "                       (for example the path that hvt-sim prints)\n"
    "  --demo               demonstration mode: no port is opened and the\n"
    "                       instrument's clock is simulated\n"
    "  --one-shot           run in 1SHOT MODE\n"
    "  --answer-demo yes|no the answer to \"proceed in Demo Mode?\" after a\n"
    "                       communication error (default no)\n"
    "  -h, --help           show this help\n"
    "\n"
    "Output: one line 'status: TEXT' per change of the status bar, one line\n"
    "'message: TEXT' per message box, and a summary line at the end.\n"
    "Ctrl+C stops the run as STOP does (the instrument is sent its stop).\n"
    "\n"
    "Exit status: 0 the run completed, 1 it was stopped, the instrument\n"
    "reported an error or a stop, or communication failed (also when the\n"
    "instrument is not found at start), 2 bad arguments or a file that cannot\n"
    "be used.\n";

namespace {

struct RunOptions {
  std::string file;
  int unit = 0;
  int program = 0;
  int port = 0;
  std::string device;
  bool demo = false;
  bool oneShot = false;
  bool answerDemo = false;
};

std::optional<int> Number(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return std::nullopt;
  return v;
}

bool Parse(const std::vector<std::string>& args, RunOptions& o, std::ostream& err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        err << "hvtctl run: " << a << " needs a value\n";
        return nullptr;
      }
      return &args[++i];
    };
    auto number = [&](int low, int high, int& out) {
      const std::string* v = value();
      if (!v) return false;
      const auto n = Number(*v, low, high);
      if (!n) {
        err << "hvtctl run: " << a << " must be a number from " << low << " to " << high << "\n";
        return false;
      }
      out = *n;
      return true;
    };
    if (a == "--unit") {
      if (!number(1, kUnitCount, o.unit)) return false;
    } else if (a == "--program") {
      if (!number(1, kProgramCount, o.program)) return false;
    } else if (a == "--port") {
      if (!number(kFirstPort, kLastPort, o.port)) return false;
    } else if (a == "--device") {
      const std::string* v = value();
      if (!v) return false;
      o.device = *v;
    } else if (a == "--demo") {
      o.demo = true;
    } else if (a == "--one-shot") {
      o.oneShot = true;
    } else if (a == "--answer-demo") {
      const std::string* v = value();
      if (!v) return false;
      if (*v != "yes" && *v != "no") {
        err << "hvtctl run: --answer-demo must be yes or no\n";
        return false;
      }
      o.answerDemo = *v == "yes";
    } else if (a.size() > 1 && a[0] == '-') {
      err << "hvtctl run: unknown option " << a << "\n";
      return false;
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      err << "hvtctl run: one document only\n";
      return false;
    }
  }
  if (o.file.empty()) {
    err << "hvtctl run: no document given\n";
    return false;
  }
  if ((o.unit == 0) == (o.program == 0)) {
    err << "hvtctl run: give either --unit N or --program N\n";
    return false;
  }
  if ((o.port != 0) + !o.device.empty() + o.demo > 1) {
    err << "hvtctl run: --port, --device and --demo exclude each other\n";
    return false;
  }
  return true;
}

// Messages go to the output instead of boxes; the answers are those the
// options chose. Retry is never chosen: it would wait for ever.
class ConsolePrompter : public Prompter {
 public:
  ConsolePrompter(std::ostream& out, const TextCodec& codec, bool answerDemo)
      : out(out), codec(codec), answerDemo(answerDemo) {}

  Answer Ask(const std::string& text, Buttons buttons, MessageIcon, Owner) override {
    std::string line = codec.ToUtf8(text).value_or(text);
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    out << "message: " << line << std::endl;
    switch (buttons) {
      case Buttons::AbortRetryIgnore:
        return Answer::Abort;
      case Buttons::RetryCancel:
      case Buttons::OkCancel:
        return Answer::Cancel;
      case Buttons::YesNo:
        return text == LoadString(ids::kAskDemo) && answerDemo ? Answer::Yes : Answer::No;
      case Buttons::Ok:
        return Answer::Ok;
    }
    return Answer::Ok;
  }

 private:
  std::ostream& out;
  const TextCodec& codec;
  bool answerDemo;
};

// Ctrl+C reaches the event loop through a socket pair, so the stop runs on
// the loop's thread like a click on STOP.
#ifndef _WIN32
int signalPipe[2] = {-1, -1};
void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}
#endif

const char* EndText(RunEnd end) {
  switch (end) {
    case RunEnd::Completed:
      return "completed";
    case RunEnd::Stopped:
      return "stopped";
    case RunEnd::InstrumentReport:
      return "ended by the instrument";
    case RunEnd::CommunicationFailure:
      return "communication failure";
    case RunEnd::None:
      break;
  }
  return "not started";
}

}  // namespace

int RunRunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out << kRunHelp;
      return kExitOk;
    }
  }
  RunOptions o;
  if (!Parse(args, o, err)) {
    err << "(see hvtctl run --help)\n";
    return kExitUsage;
  }

  static int argc = 1;
  static char name[] = "hvtctl";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  const auto codec = MakeCodec(CodePageFor(StringTable::CurrentLanguage()));
  auto show = [&](const std::string& text) { return codec->ToUtf8(text).value_or(text); };

  std::string bytes, error;
  if (!HasPlkExtension(o.file)) {
    err << FormatText(show(LoadString(4001)), o.file) << "\n";
    return kExitUsage;
  }
  if (!ReadWholeFile(o.file, bytes, &error)) {
    err << "hvtctl run: cannot read " << o.file << ": " << error << "\n";
    return kExitUsage;
  }

  SettingsFile settings = UserSettingsFile();
  CPELKDoc doc(&settings);
  if (o.port) doc.portNumber = static_cast<uint16_t>(o.port);
  CommPort::PathFn portPath = [&settings](int n) { return PortDevicePath(n, &settings); };
  if (!o.device.empty()) portPath = [device = o.device](int) { return device; };

  QtSerialDevice device;
  SteadyClock clock;
  QtTimerHost timers;
  HeadlessForm form;
  ConsolePrompter prompter(out, *codec, o.answerDemo);
  form.onStatusText = [&](const std::string& text) {
    out << "status: " << show(text) << std::endl;
  };
  CPELKView view(doc, CPELKView::Ports{device, clock, timers, prompter, form, settings, portPath});

  // Start-up: as the desktop program does before its window opens.
  if (o.demo) {
    // As Ignore at the start-up question would.
    prompter.Ask(LoadString(ids::kProceedToDemo), Buttons::Ok, MessageIcon::Warning,
                 Owner::OpeningWindow);
    doc.demoMode = 1;
  }
  if (!view.StartUp(!o.demo)) {
    out << "summary: the instrument was not found; nothing was run" << std::endl;
    return kExitFailure;
  }

  // An empty file is not read at all: the new document stands.
  switch (bytes.empty() ? LoadOutcome::Loaded : LoadDocument(doc, bytes, *codec)) {
    case LoadOutcome::Loaded:
      break;
    case LoadOutcome::HeaderDiffers:
      err << FormatText(show(LoadString(ids::kNotAPlkDocument)), o.file) << "\n";
      return kExitUsage;
    case LoadOutcome::TypeDiffers:
      err << FormatText(show(LoadString(ids::kOtherInjectionUnitType)), o.file) << "\n";
      return kExitUsage;
    case LoadOutcome::UnexpectedEnd:
      err << show(LoadString(ids::kUnexpectedFileFormat)) << "\n";
      return kExitUsage;
  }
  doc.loadStatus = 0;
  if (AdaptToInstrument(doc))
    prompter.Ask(FormatText(LoadString(4006), o.file), Buttons::Ok, MessageIcon::Warning,
                 Owner::View);
  if (o.port) doc.portNumber = static_cast<uint16_t>(o.port);

  if (o.unit) {
    doc.programMode = 0;
    doc.currentUnit = static_cast<uint16_t>(o.unit);
  } else {
    doc.programMode = 1;
    doc.currentProgram = static_cast<uint16_t>(o.program);
  }
  view.activeUnit = doc.currentUnit;
  view.selections.SelectUnit(view.activeUnit);
  view.selections.RefreshForm();
  view.formSeams.ShowProgram();
  if (o.oneShot) {
    form.Check(ControlId::OneShotMode, true);
    view.run.OnOneShotMode();
  }

  struct Client : TimerClient {
    CPELKView& view;
    QCoreApplication& app;
    Client(CPELKView& v, QCoreApplication& a) : view(v), app(a) {}
    void OnTimer(int id) override {
      view.OnTimer(id);
      if (!view.RunActive()) app.quit();
    }
  } client(view, app);
  timers.SetClient(&client);

#ifndef _WIN32
  std::unique_ptr<QSocketNotifier> notifier;
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
    notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [&] {
      char byte;
      [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
      view.run.EndRun();
      app.quit();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
  }
#endif

  QElapsedTimer elapsed;
  elapsed.start();
  view.run.StartRun();
  if (view.RunActive()) app.exec();
  view.run.EndRun();  // no-op unless the loop was left some other way

#ifndef _WIN32
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  notifier.reset();
  for (int& fd : signalPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
#endif

  const RunEnd end = view.run.lastRunEnd;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", elapsed.elapsed() / 1000.0);
  out << "summary: "
      << (o.unit ? "unit " + std::to_string(o.unit) : "program " + std::to_string(o.program))
      << (doc.demoMode ? " (demonstration mode)" : "") << ": " << EndText(end) << " after "
      << seconds << " s (estimated " << view.totalSeconds << " s)" << std::endl;
  return end == RunEnd::Completed ? kExitOk : kExitFailure;
}

}  // namespace hvt
