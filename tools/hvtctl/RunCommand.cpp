#include "hvtctl/RunCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "hvtctl/ObservedDevice.h"
#include "hvtctl/PlkCommands.h"
#include "journal/Journal.h"
#include "link/InstrumentActivity.h"
#include "link/PortMessages.h"
#include "link/PortPaths.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/StringTable.h"
#include "os/JournalFolder.h"
#include "os/SettingsLocation.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"
#include "platform/LastGasp.h"
#include "platform/QtSerialDevice.h"
#include "platform/QtTimerHost.h"
#include "platform/SteadyClock.h"
#include "platform/SystemLanguage.h"
#include "platform/TerminationGuard.h"
#include "view/CPELKView.h"
#include "view/HeadlessForm.h"

namespace hvt {

const char* const kRunHelp =
    "Usage: hvtctl run FILE.plk (--unit N | --program N)\n"
    "                  [--port N | --device PATH | --demo] [--one-shot]\n"
    "                  [--answer-demo yes|no] [--journal DIR]\n"
    "\n"
    "Runs one unit, or one program as a TEST SEQUENCE, to its end, as the\n"
    "desktop program does when START is pressed. The instrument is connected\n"
    "and identified first and its configuration read (it fixes the injection\n"
    "unit type); then the document is loaded and units saved with another\n"
    "model are fitted to this one. An instrument that reports a test running\n"
    "or its EUT line on (left so by a program that ended without stopping it,\n"
    "or started at its panel) is left as it is: nothing is run over it; end\n"
    "it with 'hvtctl stop' or at the panel.\n"
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
    "  --journal DIR        write the run's journal in DIR instead of\n"
    "                       $XDG_DATA_HOME/Korrin/HVT-KP4RS/journal\n"
    "  -h, --help           show this help\n"
    "\n"
    "Output: one line 'instrument: ...' with the identified instrument (or the\n"
    "demonstration mode) and its configuration; one line 'status: TEXT' per\n"
    "change of the status bar, followed during a run by the unit, the program\n"
    "step and repetition and the sweep point running; one line\n"
    "'message: TEXT' per message box; a line 'journal: PATH' with the run's\n"
    "journal; and a summary line at the end. Errors go to standard error as\n"
    "'hvtctl run: FILE: ...'.\n"
    "\n"
    "Every run, also one that fails to start, gets a journal of its own (JSON\n"
    "Lines, each record synced as it is written; see hvtctl journal). Before\n"
    "the run, journals in the folder that a killed program left without an\n"
    "end are closed as crashed.\n"
    "\n"
    "Ctrl+C, SIGTERM, SIGHUP and SIGQUIT stop the run as STOP does (the\n"
    "instrument is sent its stop); so does an output nobody reads any more\n"
    "(hvtctl run ... | head -n 1). A stop asked for before the test is started\n"
    "starts nothing. After a communication failure the instrument may still be\n"
    "running: stop it at its panel.\n"
    "\n"
    "Exit status: 0 the run completed, 1 it was stopped, the instrument\n"
    "reported an error or a stop, or communication failed (also when the\n"
    "instrument is not found or is busy at start), 2 bad arguments or a file\n"
    "that cannot be used.\n";

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
  std::string journal;
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
    } else if (a == "--journal") {
      const std::string* v = value();
      if (!v) return false;
      o.journal = *v;
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

  using Prompter::Ask;
  // Nobody presses Enter here, so the default button does not matter.
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon, Owner,
             std::optional<Answer>) override {
    std::string line = codec.ToUtf8(text).value_or(text);
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    out << "message: " << line << std::endl;
    if (!out) TerminationGuard::RequestStop();
    if (buttons == Buttons::YesNo && text == LoadString(TextId::AskDemo) && answerDemo) {
      return Answer::Yes;
    }
    return GiveUpAnswer(buttons);
  }

 private:
  std::ostream& out;
  const TextCodec& codec;
  bool answerDemo;
};

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

namespace {

// Printable on one line: control bytes become blanks.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

// "instrument: ..." — what was found and what it can do.
std::string InstrumentLine(const CPELKDoc& doc, const std::string& identity,
                           const std::function<std::string(const std::string&)>& show) {
  std::string line = "instrument: ";
  line += doc.demoMode ? std::string("demonstration mode") : "\"" + OneLine(show(identity)) + "\"";
  line += "; maximum voltage " + VoltageDisplayText(doc.maxVoltage) + " kV";
  line += ", injection unit type " + std::to_string(doc.injectionUnitType);
  line += ", lines";
  for (int i = 0; i <= doc.lastLine && i < 6; ++i)
    line += " " + OneLine(show(doc.lineNames[static_cast<size_t>(i)]));
  line += ", widths";
  for (int i = 0; i <= doc.widthLast && i < 9; ++i) {
    const int32_t ns = doc.widthTable[static_cast<size_t>(i)];
    line += ns == -1 ? std::string(" Tri") : " " + std::to_string(ns);
  }
  line += " ns, Variable from " + std::to_string(doc.minVariable) + " ms";
  line += doc.builtInTerminator ? ", built-in terminator" : "";
  return line;
}

// What runs now, for the status lines: unit, program step and repetition,
// and the sweep point.
std::string RunContext(const std::string& status, CPELKView& view,
                       const std::function<std::string(const std::string&)>& show) {
  if (!view.RunActive() || status == LoadString(TextId::Ready)) return {};
  const CPELKDoc& doc = view.doc;
  std::string text = "   [unit " + std::to_string(view.runStatus.activeUnit);
  if (doc.programMode) {
    const size_t steps = view.sequence.RunPositions().size();
    const int times = doc.program(doc.currentProgram).times;
    // The demonstration clock counts its repetitions on the sending side.
    const int left =
        doc.demoMode ? view.sequenceState.sendTimesLeft : view.sequenceState.showTimesLeft;
    text += ", step " + std::to_string((view.sequenceState.showPos + 1) / 2) + " of " +
            std::to_string(steps);
    text += ", repetition " + std::to_string(times - left + 1) + " of " + std::to_string(times);
  }
  const std::vector<int> levels = view.sweep.RunLevels(view.runStatus.activeUnit);
  if (!levels.empty()) {
    text += ", point";
    for (int p : levels) {
      text +=
          " " + show(Selections::ParameterName(p)) + " " + show(view.sweep.ParameterText(p, true));
    }
  }
  return text + "]";
}

// One "hvtctl run": its steps in order, each either done or giving the exit
// status.
class RunSession {
 public:
  RunSession(const RunOptions& o, TerminationGuard& guard, QCoreApplication& app, std::ostream& out,
             std::ostream& err)
      : o(o),
        guard(guard),
        app(app),
        out(out),
        err(err),
        codec(MakeCodec(CodePageFor(StringTable::CurrentLanguage()))),
        prefix("hvtctl run: " + o.file + ": "),
        settings(UserSettingsFile()),
        doc(&settings),
        prompter(out, *codec, o.answerDemo),
        view(doc, CPELKView::Ports{device, clock, timers, prompter, form, settings, PortPath()}) {
    doc.codePage = codec->CodePage();
    view.connection.codec = codec.get();
    view.connection.namedDevice = o.device;
    // A crash of hvtctl itself must not leave the test it started firing.
    last_gasp::Install();
    serial.onDescriptor = [](int fd) { last_gasp::SetPort(fd); };
    view.commands.exposureChanged = [](const Exposure& e) {
      last_gasp::SetExposure(e.testMayRun, e.lineMayBeOn);
    };
  }
  ~RunSession() { last_gasp::SetExposure(false, false); }
  RunSession(const RunSession&) = delete;
  RunSession& operator=(const RunSession&) = delete;

  int Run() {
    if (auto failed = ReadDocumentFile()) return *failed;
    OpenJournal();
    if (auto failed = FindInstrument()) return *failed;
    if (auto failed = RefuseBusyInstrument()) return *failed;
    if (auto failed = LoadInto()) return *failed;
    SelectWhatRuns();
    if (guard.StopRequested()) return StoppedEarly();
    RunToTheEnd();
    return Summarise();
  }

 private:
  std::string Show(const std::string& text) const { return codec->ToUtf8(text).value_or(text); }

  CommPort::PathFn PortPath() {
    settings.onFailure = [this](const std::string& path, const std::string& reason) {
      err << "hvtctl run: " << path << ": " << reason << "\n";
    };
    if (o.port) doc.portNumber = static_cast<uint16_t>(o.port);
    if (!o.device.empty()) return [device = o.device](int) { return device; };
    return [this](int n) { return PortDevicePath(n, &settings); };
  }

  // A write to the output that fails (nobody reads it any more) is a stop.
  void Print(const std::string& line) {
    out << line << std::endl;
    if (!out) TerminationGuard::RequestStop();
  }

  // Closes what killed runs left, then journals every run of this one.
  void OpenJournal() {
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(
        o.journal.empty() ? os::UserJournalFolder() : std::filesystem::path(o.journal), ec);
    std::string error;
    journalFolder = os::OpenJournalFolder(where, &error);
    if (!journalFolder) {
      err << "hvtctl run: " << where.string() << ": " << error << "; the run has no journal\n";
      return;
    }
    std::vector<std::string> problems;
    for (const std::string& name :
         journal::RecoverJournals(*journalFolder, os::SystemJournalClock(), &problems)) {
      err << "hvtctl run: closed the journal of a run that did not end: " << journalFolder->Path()
          << "/" << name << "\n";
    }
    for (const std::string& p : problems) err << "hvtctl run: journal " << p << "\n";
    JournalRecorder& recorder =
        view.EnableJournal(*journalFolder, os::SystemJournalClock(), *codec);
    recorder.context.program = "hvtctl";
    recorder.context.version = LoadString(TextId::Version);
    ReadJournalSettings(settings, os::LoginName(), recorder.context);
    const std::string path = std::filesystem::absolute(o.file, ec).string();
    recorder.context.documentPath = [path] { return path; };
    recorder.context.fileOnDisk = [path]() -> std::optional<std::string> {
      std::string bytes;
      if (!ReadWholeFile(path, bytes, nullptr)) return std::nullopt;
      return bytes;
    };
  }

  int StoppedEarly() {
    Print("summary: stopped before the test was started; nothing was run");
    return kExitFailure;
  }

  std::optional<int> ReadDocumentFile() {
    std::string error;
    if (!HasPlkExtension(o.file)) {
      err << prefix << FormatText(Show(LoadString(TextId::NotPlkExtension)), o.file) << "\n";
      return kExitUsage;
    }
    if (!ReadWholeFile(o.file, bytes, &error)) {
      err << prefix << "cannot read: " << error << "\n";
      return kExitUsage;
    }
    return std::nullopt;
  }

  // Start-up, as the desktop program does before its window opens. A chosen
  // demonstration is no communication error, so nothing is said of one.
  std::optional<int> FindInstrument() {
    form.onStatusText = [this](const std::string& text) {
      Print("status: " + Show(text) +
            RunContext(text, view, [this](const std::string& t) { return Show(t); }));
    };
    QElapsedTimer connecting;
    connecting.start();
    if (o.demo) {
      doc.demoMode = 1;
    } else {
      if (!view.connection.Connect()) {
        if (guard.StopRequested()) return StoppedEarly();
        ReportNotFound(device, prefix, connecting.elapsed(), err);
        Aborted("the instrument was not found");
        Print("summary: the instrument was not found; nothing was run");
        return kExitFailure;
      }
      if (!doc.demoMode) identity = view.protocol.GetAnswer();
    }
    view.StartUp(false);
    if (guard.StopRequested()) return StoppedEarly();
    return std::nullopt;
  }

  // A test or an EUT line left on by someone else (a program that was
  // killed, the panel) is not taken over: a unit and START sent now would
  // change a test whose operator is not us. Only queries went out so far.
  std::optional<int> RefuseBusyInstrument() {
    if (doc.demoMode) return std::nullopt;
    const InstrumentActivity activity = ReadActivity(view.commands);
    if (!activity.Busy()) return std::nullopt;
    // One line each for the test and the line, as errors are written.
    std::istringstream lines(Show(BusyText(activity)));
    for (std::string line; std::getline(lines, line);) err << prefix << line << "\n";
    err << prefix
        << "hvtctl run does not start over it; end it with hvtctl stop or at the instrument's "
           "panel.\n";
    Aborted("the instrument is busy with a test or its line");
    Print("summary: the instrument is busy; nothing was run");
    return kExitFailure;
  }

  std::optional<int> LoadInto() {
    const std::optional<int> refused = LoadDocumentFile();
    if (refused) Aborted("the document cannot be used");
    return refused;
  }

  // A run refused before START: its journal says so.
  void Aborted(const std::string& reason) {
    if (JournalRecorder* recorder = view.journal()) {
      recorder->RunAborted(o.unit ? o.unit : 1, o.program != 0, reason);
      if (!recorder->LastJournalPath().empty()) Print("journal: " + recorder->LastJournalPath());
    }
  }

  std::optional<int> LoadDocumentFile() {
    // An empty file is not read at all: the new document stands.
    std::string header;
    switch (bytes.empty() ? LoadOutcome::Loaded : LoadDocument(doc, bytes, *codec, &header)) {
      case LoadOutcome::Loaded:
        break;
      case LoadOutcome::HeaderDiffers:
        err << prefix << FormatText(Show(LoadString(TextId::NotAPlkDocument)), o.file) << "\n"
            << prefix
            << Show(FormatText(LoadString(TextId::HeaderReads), QuotedHeader(header, *codec)))
            << "\n";
        return kExitUsage;
      case LoadOutcome::TypeDiffers:
        err << prefix << FormatText(Show(LoadString(TextId::OtherInjectionUnitType)), o.file)
            << "\n";
        return kExitUsage;
      case LoadOutcome::UnexpectedEnd:
        err << prefix << Show(LoadString(TextId::UnexpectedFileFormat)) << "\n"
            << prefix
            << Show(FormatText(LoadString(TextId::FileEndsAt), std::to_string(bytes.size())))
            << "\n";
        return kExitUsage;
    }
    doc.loadStatus = 0;
    Print(InstrumentLine(doc, identity, [this](const std::string& t) { return Show(t); }));
    if (AdaptToInstrument(doc))
      prompter.Ask(FormatText(LoadString(TextId::OtherModel), o.file), Buttons::Ok,
                   MessageIcon::Warning, Owner::View);
    if (o.port) doc.portNumber = static_cast<uint16_t>(o.port);
    return std::nullopt;
  }

  void SelectWhatRuns() {
    if (o.unit) {
      doc.programMode = 0;
      doc.currentUnit = static_cast<uint16_t>(o.unit);
    } else {
      doc.programMode = 1;
      doc.currentProgram = static_cast<uint16_t>(o.program);
    }
    view.run.MakeActive(doc.currentUnit);
    view.selections.SelectUnit(view.runStatus.activeUnit);
    view.selections.RefreshForm();
    view.lists.ShowProgram();
    if (o.oneShot) {
      form.Check(ControlId::OneShotMode, true);
      view.run.OnOneShotMode();
    }
  }

  void RunToTheEnd() {
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

    // A stop ends the run as STOP does, on the loop's thread; one that came
    // while the unit was being sent keeps START from being sent at all.
    guard.Listen([this] {
      view.run.EndRun();
      app.quit();
    });
#ifndef _WIN32
    guard.WatchOutput(STDOUT_FILENO);
#endif
    view.run.startVeto = [] { return TerminationGuard::StopRequested(); };

    elapsed.start();
    view.run.StartRun();
    if (view.RunActive()) app.exec();
    view.run.EndRun();  // no-op unless the loop was left some other way
    timers.SetClient(nullptr);
  }

  int Summarise() {
    const RunEnd end = view.run.lastRunEnd;
    if (JournalRecorder* recorder = view.journal()) {
      if (!recorder->LastJournalPath().empty()) Print("journal: " + recorder->LastJournalPath());
      if (!recorder->LastError().empty()) {
        err << "hvtctl run: journal: " << recorder->LastError() << "\n";
      }
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", elapsed.elapsed() / 1000.0);
    Print("summary: " +
          (o.unit ? "unit " + std::to_string(o.unit) : "program " + std::to_string(o.program)) +
          (doc.demoMode ? " (demonstration mode)" : "") + ": " + EndText(end) + " after " +
          seconds + " s (estimated " + std::to_string(view.runStatus.totalSeconds) + " s)");
    // The instrument's state is unknown after a failed link: the operator
    // must not walk up to the equipment under test believing it stopped.
    if (end == RunEnd::CommunicationFailure && !o.demo) {
      err << prefix
          << "the instrument may still be running: stop it at its panel (STOP) before you go "
             "near the equipment under test\n";
    }
    return end == RunEnd::Completed ? kExitOk : kExitFailure;
  }

  const RunOptions& o;
  TerminationGuard& guard;
  QCoreApplication& app;
  std::ostream& out;
  std::ostream& err;
  std::unique_ptr<TextCodec> codec;
  std::string prefix;
  std::string bytes;
  std::string identity;
  SettingsFile settings;
  CPELKDoc doc;
  QtSerialDevice serial;
  ObservedDevice device{serial, [this] {
                          return Show(OpenFailureReason(CommPort::OpenStep::Device,
                                                        serial.LastOpenFailure(), *codec));
                        }};
  SteadyClock clock;
  QtTimerHost timers;
  HeadlessForm form;
  ConsolePrompter prompter;
  std::unique_ptr<JournalFolder> journalFolder;  // outlives the view's recorder
  CPELKView view;
  QElapsedTimer elapsed;
};

}  // namespace

int RunRunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // First of all, so that a Ctrl+C given at once is not lost.
  TerminationGuard guard;
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
  return RunSession(o, guard, app, out, err).Run();
}

}  // namespace hvt
