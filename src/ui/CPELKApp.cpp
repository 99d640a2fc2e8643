#include "ui/CPELKApp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "journal/Journal.h"
#include "link/PortPaths.h"
#include "model/CPELKDoc.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/StringTable.h"
#include "os/JournalFolder.h"
#include "os/SettingsLocation.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"
#include "platform/FileStorage.h"
#include "platform/LastGasp.h"
#include "platform/QtSerialDevice.h"
#include "platform/QtTimerHost.h"
#include "platform/SteadyClock.h"
#include "platform/SystemLanguage.h"
#include "platform/TerminationGuard.h"
#include "run/FormFilterTargets.h"
#include "sim/SimSerialDevice.h"
#include "ui/AboutDialog.h"
#include "ui/AnomalyDialog.h"
#include "ui/FormInput.h"
#include "ui/FormWindow.h"
#include "ui/MainFrame.h"
#include "ui/OpeningDialog.h"
#include "ui/QtDialogs.h"
#include "ui/QtForm.h"
#include "ui/QtPrompter.h"
#include "ui/ReportPrinting.h"
#include "ui/SingleInstance.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"
#include "view/CPELKView.h"
#include "view/DocumentCommands.h"
#include "view/Rs232Command.h"

namespace hvt {

namespace {

constexpr int kOpeningMinimumMs = 500;

// The opening window stays up at least this long, also when everything
// else is instantaneous.
void HoldOpeningWindow(const QElapsedTimer& shown) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  while (shown.elapsed() < kOpeningMinimumMs) {
    QApplication::processEvents();
    QThread::msleep(100);
  }
  QApplication::processEvents();
  QApplication::restoreOverrideCursor();
}

QStringList ReadRecentFiles() {
  QSettings store(QStringLiteral("KorrinHVT"), QStringLiteral("HVT-KP4RS"));
  QStringList files;
  for (int i = 1; i <= 4; ++i) {
    const QString file = store.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  return files;
}

void AddRecentFile(const QString& path) {
  QStringList files = ReadRecentFiles();
  files.removeAll(path);
  files.prepend(path);
  QSettings store(QStringLiteral("KorrinHVT"), QStringLiteral("HVT-KP4RS"));
  for (int i = 0; i < 4; ++i) {
    store.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1),
                   i < files.size() ? files[i] : QString());
  }
}

}  // namespace

QString AppUsage() {
  return QStringLiteral(
      "Usage: hvt-kp4rs [FILE.plk] [--simulate [--sim-type 1|3] [--sim-max-voltage 410|205]]\n"
      "  FILE.plk              open this document after connecting the instrument\n"
      "  --simulate            run on the built-in simulated instrument, no COM port\n"
      "  --sim-type 1|3        its injection unit: single-phase (1) or three-phase (3, default)\n"
      "  --sim-max-voltage N   its highest voltage in 0.01 kV: 410 (default) or 205\n"
      "  --language en|ja      speak English or Japanese, whatever the system's language\n"
      "                        (also the environment variable HVT_LANGUAGE)\n"
      "  --help                this text\n"
      "  --version             the program's version\n");
}

std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error) {
  AppOptions o;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    auto value = [&](const QStringList& allowed, int& out) {
      if (i + 1 >= arguments.size() || !allowed.contains(arguments[i + 1])) {
        error = QStringLiteral("%1 takes one of: %2").arg(a, allowed.join(QStringLiteral(", ")));
        return false;
      }
      out = arguments[++i].toInt();
      return true;
    };
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.help = true;
    } else if (a == QLatin1String("--version")) {
      o.version = true;
    } else if (a == QLatin1String("--simulate")) {
      o.simulate = true;
    } else if (a == QLatin1String("--sim-type")) {
      if (!value({QStringLiteral("1"), QStringLiteral("3")}, o.simulatedType)) return std::nullopt;
    } else if (a == QLatin1String("--sim-max-voltage")) {
      if (!value({QStringLiteral("410"), QStringLiteral("205")}, o.simulatedMaxVoltage))
        return std::nullopt;
    } else if (a == QLatin1String("--language")) {
      if (i + 1 >= arguments.size() || !ParseLanguage(arguments[i + 1].toStdString())) {
        error = QStringLiteral("--language takes one of: en, ja");
        return std::nullopt;
      }
      o.language = arguments[++i];
    } else if (a.startsWith(QLatin1Char('-')) && a != QLatin1String("-")) {
      error = QStringLiteral("unknown option %1").arg(a);
      return std::nullopt;
    } else if (o.file.isEmpty()) {
      o.file = a;
    } else {
      error = QStringLiteral("only one document can be opened");
      return std::nullopt;
    }
  }
  if (!o.simulate && (o.simulatedType != 3 || o.simulatedMaxVoltage != 410)) {
    error = QStringLiteral("--sim-type and --sim-max-voltage need --simulate");
    return std::nullopt;
  }
  return o;
}

struct CPELKApp::Parts {
  // A request to end that comes while the program starts is kept and acted
  // on once the window is up.
  TerminationGuard guard;
  SingleInstance instance;
  SettingsFile settings = UserSettingsFile();
  CPELKDoc doc{&settings};
  SteadyClock clock;
  QtTimerHost timers;
  QtPrompter prompter;
  std::unique_ptr<SerialDevice> device;
  CommPort::PathFn portPath;
  std::unique_ptr<TextCodec> codec = MakeCodec(CodePageFor(StringTable::CurrentLanguage()));
  MainFrame frame{settings};
  FormWindow* window = new FormWindow;  // owned by the frame
  std::unique_ptr<QtForm> form;
  std::unique_ptr<JournalFolder> journalFolder;  // outlives the view's recorder
  QPointer<AnomalyDialog> anomalyBox;            // the F8 box while it is open
  // A new run starts with no marks in the status bar.
  // The status bar's journal panes: the marks of the run, and why the run
  // is not journaled when its journal could not be created or written.
  struct JournalPanes : RunEvents {
    JournalPanes(MainFrame& frame, const JournalRecorder& recorder)
        : frame(frame), recorder(recorder) {}
    void RunStarted(int32_t, bool) override {
      frame.SetMarksText(QString());
      ShowProblem();
    }
    void Stopped(RunEnd, bool) override { ShowProblem(); }
    void ShowProblem() {
      const std::string& error = recorder.LastError();
      frame.SetJournalWarning(
          error.empty() ? QString()
                        : UiText(TextId::JournalUnavailable, QString::fromStdString(error)));
    }
    MainFrame& frame;
    const JournalRecorder& recorder;
  };
  std::unique_ptr<JournalPanes> journalPanes;
  std::unique_ptr<CPELKView> view;
  std::unique_ptr<FormInput> input;
  QtDialogs dialogs{&frame, *codec};
  FileStorage storage;
  std::unique_ptr<DocumentCommands> documents;
  std::unique_ptr<Rs232Command> rs232;
  QtReportPrinter printer{&frame, *codec};
};

CPELKApp::CPELKApp(AppOptions o) : options(std::move(o)) { last_gasp::Install(); }

CPELKApp::~CPELKApp() {
  // From here the objects go in order; the ordinary ways out have stopped
  // the instrument already.
  last_gasp::SetExitStop({});
  last_gasp::SetExposure(false, false);
}

CPELKView& CPELKApp::View() { return *parts->view; }
MainFrame& CPELKApp::Frame() { return parts->frame; }
FormWindow& CPELKApp::Window() { return *parts->window; }

bool CPELKApp::Start() {
  if (!TakeSingleInstance()) return false;
  auto opening = std::make_unique<OpeningDialog>();
  opening->show();
  QElapsedTimer shown;
  shown.start();
  HoldOpeningWindow(shown);
  parts->prompter.SetOwner(Owner::OpeningWindow, opening.get());
  MakeDevice();
  BuildView();
  ConnectInput();
  if (!StartUpWithInstrument()) return false;  // the main window never shows
  opening.reset();
  ShowMainWindow();
  return true;
}

bool CPELKApp::TakeSingleInstance() {
  const Language language = options.language.isEmpty()
                                ? SystemLanguage()
                                : *ParseLanguage(options.language.toStdString());
  if (!ApplyLanguage(language)) {
    std::fprintf(stderr, "hvt-kp4rs: Qt's Japanese translation (qtbase_ja) is not installed\n");
  }
  RegisterFontStandIns();
  parts = std::make_unique<Parts>();
  Parts& p = *parts;
  p.doc.codePage = p.codec->CodePage();
  if (p.instance.Acquire()) return true;
  // Also said on the terminal, for a start from a script or a shell.
  std::fprintf(stderr, "hvt-kp4rs: %s\n", qPrintable(UiText(TextId::AlreadyRunning)));
  QMessageBox box(QMessageBox::Information, UiText(TextId::AppTitle),
                  UiText(TextId::AlreadyRunning), QMessageBox::Ok);
  ExecUnlessToldToEnd(box);
  return false;
}

void CPELKApp::MakeDevice() {
  Parts& p = *parts;
  p.portPath = [&settings = p.settings](int n) { return PortDevicePath(n, &settings); };
  if (options.simulate) {
    sim::InstrumentOptions instrument;
    instrument.identity = LoadString(TextId::Identification);
    instrument.injectionUnitType = options.simulatedType;
    instrument.maxVoltage = options.simulatedMaxVoltage;
    p.device = std::make_unique<sim::SimSerialDevice>(p.clock, instrument);
    // The built-in instrument sits on the port the settings name.
    // Named from the table ("built-in"), so the port list speaks the
    // edition's language.
    p.portPath = [port = p.doc.portNumber](int n) {
      return n == port ? LoadString(TextId::BuiltIn) : std::string();
    };
  } else {
    auto device = std::make_unique<QtSerialDevice>();
    // A crash handler cannot go through Qt: it writes to the descriptor.
    device->onDescriptor = [](int fd) { last_gasp::SetPort(fd); };
    p.device = std::move(device);
  }
}

QString CPELKApp::SimulatedName() const {
  return TemplateText(resource::kShell, 1, "Simulated instrument");
}

QString CPELKApp::TitleSuffix() const {
  return options.simulate ? QStringLiteral(" - ") + SimulatedName() : QString();
}

void CPELKApp::BuildView() {
  Parts& p = *parts;
  MainFrame& frame = p.frame;
  frame.SetForm(p.window);
  p.form = std::make_unique<QtForm>(*p.window, frame, *p.codec);
  p.prompter.SetOwner(Owner::View, &frame);
  p.prompter.SetOwner(Owner::MainWindow, &frame);
  p.view = std::make_unique<CPELKView>(
      p.doc,
      CPELKView::Ports{*p.device, p.clock, p.timers, p.prompter, *p.form, p.settings, p.portPath});
  CPELKView& view = *p.view;
  view.connection.codec = p.codec.get();
  view.commands.exposureChanged = [](const Exposure& e) {
    last_gasp::SetExposure(e.testMayRun, e.lineMayBeOn);
  };
  // exit() from inside Qt (the X connection broke): no close event, no
  // aboutToQuit, but the port is still open for one more transaction.
  last_gasp::SetExitStop([&view] { view.commands.StopExposed(); });
  view.dialogs = &p.dialogs;
  p.documents = std::make_unique<DocumentCommands>(view, p.storage, *p.codec);
  p.rs232 = std::make_unique<Rs232Command>(view);
  p.documents->showTitle = [&frame, simulated = TitleSuffix()](const std::string& caption) {
    frame.setWindowTitle(QString::fromStdString(caption) + simulated);
  };
  p.documents->addRecentFile = [&frame](const std::string& path) {
    AddRecentFile(QString::fromStdString(path));
    frame.SetRecentFiles(ReadRecentFiles());
  };
  view.printer = &p.printer;
  view.report.documentPath = [&documents = *p.documents] { return documents.PathName(); };
  view.report.lastDocumentFolder = [] {
    const QStringList recent = ReadRecentFiles();
    if (recent.isEmpty()) return std::string();
    const QDir folder = QFileInfo(recent.first()).absoluteDir();
    return folder.exists() ? folder.absolutePath().toStdString() : std::string();
  };
  view.report.homeFolder = QDir::homePath().toStdString();
  OpenJournal();
}

void CPELKApp::OpenJournal() {
  Parts& p = *parts;
  std::string error;
  const std::filesystem::path folder = os::UserJournalFolder();
  p.journalFolder = os::OpenJournalFolder(folder, &error);
  if (!p.journalFolder) {
    const std::string why = folder.string() + ": " + error;
    std::fprintf(stderr, "hvt-kp4rs: %s; runs have no journal\n", why.c_str());
    p.frame.SetJournalWarning(UiText(TextId::JournalUnavailable, QString::fromStdString(why)));
    return;
  }
  JournalRecorder& recorder =
      p.view->EnableJournal(*p.journalFolder, os::SystemJournalClock(), *p.codec);
  recorder.context.program = "hvt-kp4rs";
  recorder.context.version = LoadString(TextId::Version);
  ReadJournalSettings(p.settings, os::LoginName(), recorder.context);
  recorder.context.documentPath = [&documents = *p.documents] { return documents.PathName(); };
  p.journalPanes = std::make_unique<Parts::JournalPanes>(p.frame, recorder);
  p.view->AddRunListener(*p.journalPanes);
  // F8 in a run: the box for what the operator saw; what ran at the press
  // is what the mark records, whenever OK comes.
  p.view->openAnomalyBox = [this](const JournalRecorder::Moment& moment) {
    Parts& parts = *this->parts;
    if (parts.anomalyBox && parts.anomalyBox->isVisible()) {
      parts.anomalyBox->raise();
      parts.anomalyBox->activateWindow();
      return;
    }
    auto* box = new AnomalyDialog(&parts.frame);
    parts.anomalyBox = box;
    box->onAccepted = [this, moment](const AnomalyDialog::Answers& a) {
      Parts& parts = *this->parts;
      JournalRecorder* recorder = parts.view->journal();
      if (!recorder) return;
      if (!recorder->WriteMark(moment, a.criterion, a.noteUtf8, a.durationS)) {
        parts.frame.SetJournalWarning(
            UiText(TextId::MarkNotWritten, QString::fromStdString(recorder->MarkError())));
      }
      parts.frame.SetMarksText(UiText(TextId::MarksPane, QString::number(recorder->Marks())));
    };
    box->show();
  };
  recorder.context.fileOnDisk = [&documents = *p.documents]() -> std::optional<std::string> {
    std::string bytes;
    if (documents.PathName().empty() || !ReadWholeFile(documents.PathName(), bytes, nullptr))
      return std::nullopt;
    return bytes;
  };
}

void CPELKApp::RecoverJournals() {
  if (!parts->journalFolder) return;
  std::vector<std::string> problems;
  for (const std::string& name :
       journal::RecoverJournals(*parts->journalFolder, os::SystemJournalClock(), &problems)) {
    std::fprintf(stderr, "hvt-kp4rs: closed the journal of a run that did not end: %s/%s\n",
                 parts->journalFolder->Path().c_str(), name.c_str());
  }
  for (const std::string& problem : problems)
    std::fprintf(stderr, "hvt-kp4rs: journal %s\n", problem.c_str());
}

void CPELKApp::ConnectInput() {
  Parts& p = *parts;
  MainFrame& frame = p.frame;
  CPELKView& view = *p.view;
  QtForm& form = *p.form;
  p.timers.SetClient(&view);
  form.Connect(
      &view.events, [&view](ControlId id) { return ToolTipAllowed(view.runStatus, id); },
      [&view] { return view.enabling.TimesRunColoured(); });
  p.input =
      std::make_unique<FormInput>(p.window, [w = p.window](QObject* o) { return w->ControlOf(o); });
  p.input->onKey = [&view, &form, &frame](const KeyEvent& e) {
    if (form.DroppingInput()) return Disposition::Swallow;
    const Disposition d = view.events.OnKey(e);
    frame.UpdateCommandStates();
    return d;
  };
  p.input->onMouse = [&view, &form, &frame](const MouseEvent& e) {
    if (form.DroppingInput() && e.kind != MouseEvent::Kind::Move) return Disposition::Swallow;
    const Disposition d = view.events.OnMouse(e);
    frame.UpdateCommandStates();
    return d;
  };
}

bool CPELKApp::StartUpWithInstrument() {
  CPELKView& view = *parts->view;
  parts->doc.firstUpdate = 1;
  if (!view.StartUp(true)) return false;  // Abort
  // Before the form is used: a killed program may have left the instrument
  // injecting.
  view.watch.CheckAfterConnect(Owner::OpeningWindow);
  // Told to end during start-up; its boxes took the answers that stop.
  if (TerminationGuard::StopRequested()) {
    view.run.EndForExit();
    return false;
  }
  return true;
}

void CPELKApp::ShowMainWindow() {
  Parts& p = *parts;
  MainFrame& frame = p.frame;
  CPELKView& view = *p.view;
  frame.setWindowTitle(QString::fromStdString(p.documents->WindowTitle()) + TitleSuffix());
  frame.SetRecentFiles(ReadRecentFiles());
  if (!options.file.isEmpty()) {
    p.documents->OpenDocumentFile(QFileInfo(options.file).absoluteFilePath().toStdString());
  }
  frame.RestorePosition();
  frame.ShowLockKeys(ReadLockKeys);
  if (options.simulate) frame.SetStatusText(SimulatedName());
  frame.isCommandEnabled = [&view](int command) {
    return view.IsCommandEnabled(static_cast<CommandId>(command));
  };
  frame.onCommand = [&view, &frame](int command) {
    if (command == MainFrame::kAppAbout) {
      AboutDialog(&frame).exec();
      return;
    }
    view.events.OnCommand(static_cast<CommandId>(command));
    frame.UpdateCommandStates();
  };
  frame.onOpenRecent = [&view, &frame, &documents = *p.documents](const QString& path) {
    if (view.IsCommandEnabled(CommandId::FileRecent1))
      documents.OpenDocumentFile(path.toStdString());
    frame.UpdateCommandStates();
  };
  frame.queryClose = [&documents = *p.documents] { return documents.SaveModified(); };
  frame.UpdateCommandStates();
  frame.show();
  // Once the window shows: what killed runs left is closed, no run waits.
  QTimer::singleShot(0, &frame, [this] { RecoverJournals(); });
  // Ended from outside (SIGTERM, SIGHUP, ...): the instrument is stopped
  // and the line switched off before the program goes.
  p.guard.Listen([&view, &frame] {
    frame.queryClose = nullptr;  // no one is there to answer
    view.run.EndForExit();
    frame.EnableClose(true);
    frame.close();
    QApplication::quit();
  });
}

int RunApplication(const AppOptions& options) {
  CPELKApp app(options);
  // Ended from outside during start-up is a polite end too.
  if (!app.Start()) return TerminationGuard::StopRequested() ? 0 : 1;
  return QApplication::exec();
}

}  // namespace hvt
