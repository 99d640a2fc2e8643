#include "link/Connection.h"

#include "link/CRsBasicProtocol.h"
#include "link/InstrumentActivity.h"
#include "link/InstrumentCommands.h"
#include "link/PortMessages.h"
#include "link/PortPaths.h"
#include "model/CPELKDoc.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"
#include "ports/FormControls.h"
#include "ports/Prompter.h"
#include "ports/TimerHost.h"

namespace hvt {

namespace {

// Message IDs of the instrument's error codes 1..8.
// The instrument's error codes 1..8.
constexpr TextId kErrorMessages[9] = {TextId::PossibleCommunicationError,
                                      TextId::ErrorOrigin,
                                      TextId::ErrorCouplingMode,
                                      TextId::ErrorReturnLine,
                                      TextId::ErrorFan,
                                      TextId::ErrorEeprom,
                                      TextId::ErrorEmergencyStop,
                                      TextId::ErrorInterlock,
                                      TextId::ErrorAcFrequency};

}  // namespace

Connection::Connection(CPELKDoc& doc, CRsBasicProtocol& protocol, InstrumentCommands& commands,
                       Prompter& prompter, FormControls& form, TimerHost& timers)
    : codec(&Cp1252Codec::Instance()),
      doc(doc),
      protocol(protocol),
      commands(commands),
      prompter(prompter),
      form(form),
      timers(timers) {}

std::string Connection::PortLabel() const {
  if (!namedDevice.empty()) return namedDevice;
  int n = doc.portNumber;
  if (n < kFirstPort || n > kLastPort) n = kFirstPort;  // as the port opens it
  return PortDisplayName(n, protocol.Port().DevicePath(n));
}

std::string Connection::OpenFailureText() const {
  const std::string& format = LoadString(TextId::PortCannotOpen);
  std::string first;
  if (namedDevice.empty()) {
    first = FormatText(format, std::to_string(doc.portNumber));
  } else if (const size_t at = format.find("COM%d"); at != std::string::npos) {
    first = std::string(format).replace(at, 5, namedDevice);
  } else {
    first = FormatText(format, namedDevice);
  }
  const CommPort& port = protocol.Port();
  return first + "\n" +
         PortLine(PortLabel(),
                  OpenFailureReason(port.LastOpenStep(), port.LastOpenFailure(), *codec));
}

std::string Connection::QueryFailureText() const {
  return LoadString(TextId::CommunicationError) + "\n" +
         PortLine(PortLabel(), IdentificationFailureReason(protocol.LastFailure()));
}

bool Connection::Connect() {
  for (;;) {
    form.SetWaitCursor(true);
    protocol.ClosePort();
    std::string failure;
    if (!protocol.OpenPort(doc.portNumber)) {
      failure = OpenFailureText();
    } else if (!protocol.Query(LoadString(TextId::CodeIdentity))) {
      failure = QueryFailureText();
    } else if (protocol.GetAnswer().find(LoadString(TextId::Identification)) != std::string::npos) {
      identity = protocol.GetAnswer();
      if (doc.demoMode) {
        // Leaving demonstration mode re-initialises the set-up: offer to keep it.
        if (prompter.Ask(LoadString(TextId::LeaveDemoSave), Buttons::YesNo, MessageIcon::Warning,
                         Owner::View) == Answer::Yes &&
            saveDocument) {
          saveDocument();
        }
      }
      doc.demoMode = 0;
      form.Show(ControlId::DemoLabel, false);
      form.SetWaitCursor(false);
      return true;
    } else {
      failure = LoadString(TextId::NotTheInstrument);
    }

    form.SetWaitCursor(false);
    // Clicks and keys given while we waited must not answer the box.
    form.DropPendingInput();
    const bool startUp = doc.firstUpdate != 0;
    const Owner owner = startUp ? Owner::OpeningWindow : Owner::View;
    // At start-up Enter retries: giving up there ends the program.
    const Answer answer =
        startUp ? prompter.Ask(failure, Buttons::AbortRetryIgnore, MessageIcon::Warning, owner,
                               Answer::Retry)
                : prompter.Ask(failure, Buttons::RetryCancel, MessageIcon::Warning, owner);
    if (answer == Answer::Retry) continue;
    if (answer == Answer::Abort) return false;
    if (!doc.demoMode) {
      prompter.Ask(LoadString(TextId::ProceedToDemo), Buttons::Ok, MessageIcon::Warning, owner);
    }
    doc.demoMode = 1;
    form.Show(ControlId::DemoLabel, true);
    return true;
  }
}

bool Connection::AskDemo() {
  // The link failed under a live test or line: nothing on the screen will
  // tell any more that the instrument may go on.
  const Exposure& exposed = commands.exposure();
  const bool live = exposed.testMayRun || exposed.lineMayBeOn;
  std::string text = LoadString(TextId::AskDemo);
  if (live) text += "\n" + LoadString(TextId::MayStillInject);
  if (prompter.Ask(text, Buttons::YesNo, MessageIcon::Warning, Owner::MainWindow) != Answer::Yes) {
    return false;
  }
  protocol.ClosePort();
  form.Show(ControlId::DemoLabel, true);
  if (live && mayStillInject) mayStillInject();
  return true;
}

bool Connection::IsTestRunning() {
  if (doc.demoMode) return true;
  const std::string answer = commands.QueryStatus();
  if (answer.empty()) return false;
  return (status::Flags(answer, 2) & status::kRunning) != 0;
}

int32_t Connection::CheckLineStatus() {
  const std::string answer = commands.QueryStatus();
  if (answer.empty() || answer.compare(0, 2, "AG") != 0) return -1;
  const int flags = status::Flags(answer, 3);
  if (flags & status::kLineOn) return 1;
  timers.KillTimer(kLineWatchTimer);
  if (flags & status::kError) {
    ShowErrorMessage(commands.QueryErrorCode());
  } else {
    ShowMessage(LoadString(TextId::LineOffAtInstrument));
  }
  return 0;
}

Connection::StopReport Connection::ReportStopReason(const std::string& answer) {
  const int flags = status::Flags(answer, 3);
  StopReport report;
  if (flags & status::kError) {
    report.errorCode = commands.QueryErrorCode();
    report.text = ShowErrorMessage(report.errorCode);
  } else {
    report.byOperator = true;
    report.text = LoadString((flags & status::kStopSignal) ? TextId::StoppedBySignal
                                                           : TextId::StoppedAtInstrument);
    ShowMessage(report.text);
  }
  return report;
}

std::string Connection::ShowErrorMessage(int32_t code) {
  std::string text;
  if (code >= 1 && code <= 8) {
    text = LoadString(kErrorMessages[code]);
  } else if (code != 0) {
    text = LoadString(TextId::PossibleCommunicationError);
  }
  ShowMessage(text);
  return text;
}

void Connection::ShowMessage(const std::string& text) {
  prompter.Ask(text, Buttons::Ok, MessageIcon::Warning, Owner::MainWindow);
}

}  // namespace hvt
