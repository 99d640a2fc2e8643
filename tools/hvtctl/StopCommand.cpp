#include "hvtctl/StopCommand.h"

#include <QCoreApplication>
#include <optional>
#include <ostream>

#include "hvtctl/ObservedDevice.h"
#include "hvtctl/PlkCommands.h"
#include "link/CRsBasicProtocol.h"
#include "link/Connection.h"
#include "link/InstrumentActivity.h"
#include "link/InstrumentCommands.h"
#include "link/PortMessages.h"
#include "link/PortPaths.h"
#include "model/CPELKDoc.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "os/SettingsLocation.h"
#include "platform/CodePages.h"
#include "platform/QtSerialDevice.h"
#include "platform/SteadyClock.h"
#include "platform/SystemLanguage.h"

namespace hvt {

const char* const kStopHelp =
    "Usage: hvtctl stop [--port N | --device PATH]\n"
    "\n"
    "Stops the instrument whoever left it running: a program that was killed\n"
    "or lost its PC can leave a test running and the EUT line on. The\n"
    "instrument is identified as 'hvtctl run' does, sent its stop (CB) and\n"
    "EUT line off (PC0), and asked what it reports afterwards.\n"
    "\n"
    "Options:\n"
    "  --port N             COM port number (1..257; default: the settings file's\n"
    "                       PORT_NUM, else 1)\n"
    "  --device PATH        open this serial device instead of a numbered port\n"
    "  -h, --help           show this help\n"
    "\n"
    "Output: 'stopped: no test running, EUT line off', or 'not stopped: ...'\n"
    "with what the instrument still reports, or 'not confirmed: ...' when it\n"
    "did not answer afterwards; a command it did not accept is named on a line\n"
    "of its own. Errors go to standard error as 'hvtctl stop: ...'.\n"
    "\n"
    "Exit status: 0 the instrument reports no test running and the EUT line\n"
    "off, 1 it still reports either, did not answer, or could not be opened or\n"
    "identified, 2 bad arguments.\n";

namespace {

constexpr const char* kPrefix = "hvtctl stop: ";

bool Parse(const std::vector<std::string>& args, StopTarget& target, std::ostream& err) {
  bool port = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--port" || a == "--device") && i + 1 >= args.size()) {
      err << kPrefix << a << " needs a value\n";
      return false;
    }
    if (a == "--port") {
      const std::string& v = args[++i];
      const int n = v.size() <= 3 && v.find_first_not_of("0123456789") == std::string::npos
                        ? DecimalValue(v)
                        : 0;
      if (v.empty() || n < kFirstPort || n > kLastPort) {
        err << kPrefix << "--port must be a number from " << kFirstPort << " to " << kLastPort
            << "\n";
        return false;
      }
      target.port = n;
      port = true;
    } else if (a == "--device") {
      target.device = args[++i];
    } else {
      err << kPrefix << (a.size() > 1 && a[0] == '-' ? "unknown option " : "unexpected argument ")
          << a << "\n";
      return false;
    }
  }
  if (port && !target.device.empty()) {
    err << kPrefix << "--port and --device exclude each other\n";
    return false;
  }
  return true;
}

// Identification as at start-up: the port opens and "QA" answers with the
// instrument's name. A device that fails it is sent nothing else.
bool Identify(CRsBasicProtocol& protocol, InstrumentCommands& commands, int port,
              ObservedDevice& device, Clock& clock, std::ostream& err) {
  const uint32_t started = clock.TickCount();
  const bool opened = protocol.OpenPort(port);
  const std::optional<std::string> identity =
      opened ? commands.QueryWithRetry(TextId::CodeIdentity) : std::nullopt;
  if (!identity) {
    if (device.openedPath.empty()) err << kPrefix << "COM" << port << " has no device\n";
    ReportNotFound(device, kPrefix, clock.TickCount() - started, err);
    return false;
  }
  if (identity->find(LoadString(TextId::Identification)) == std::string::npos) {
    std::string shown = *identity;
    for (char& c : shown) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    err << kPrefix << device.openedPath << " is not an HVT-KP4 (it answered \"" << shown
        << "\"); nothing was sent to it\n";
    return false;
  }
  return true;
}

std::string ActivityText(const InstrumentActivity& a) {
  return std::string(a.testRunning ? "test still running" : "no test running") + ", " +
         (a.lineOn ? "EUT line still on" : "EUT line off");
}

// The outcome lines; true when the instrument reports itself stopped.
bool Report(const StopResult& r, std::ostream& out) {
  if (!r.stopSent || !r.lineOffSent) {
    out << "the instrument did not accept "
        << (!r.stopSent && !r.lineOffSent ? "CB and PC0"
            : r.stopSent                  ? "PC0"
                                          : "CB")
        << "\n";
  }
  if (!r.after.answered) {
    out << "not confirmed: no answer to the status query after the stop\n";
  } else if (r.after.Busy()) {
    out << "not stopped: " << ActivityText(r.after) << "\n";
  } else {
    out << "stopped: " << ActivityText(r.after) << "\n";
  }
  return r.after.answered && !r.after.Busy();
}

}  // namespace

int StopOnDevice(const StopTarget& target, ObservedDevice& device, Clock& clock,
                 const SettingsFile* settings, std::ostream& out, std::ostream& err) {
  CPELKDoc doc(settings);
  const int port = target.port ? target.port : doc.portNumber;
  CRsBasicProtocol protocol(device, clock, [&](int n) {
    return target.device.empty() ? PortDevicePath(n, settings) : target.device;
  });
  InstrumentCommands commands(doc, protocol);
  if (!Identify(protocol, commands, port, device, clock, err)) return kExitFailure;
  if (Report(StopInstrument(commands), out)) return kExitOk;
  err << kPrefix
      << "the instrument may still be running: stop it at its panel (STOP) before you go near "
         "the equipment under test\n";
  return kExitFailure;
}

int RunStopCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (WantsHelp(args)) {
    out << kStopHelp;
    return kExitOk;
  }
  StopTarget target;
  if (!Parse(args, target, err)) {
    err << "Usage: hvtctl stop [--port N | --device PATH] (see hvtctl stop --help)\n";
    return kExitUsage;
  }
  // The serial port wants an application object in the process.
  static int argc = 1;
  static char name[] = "hvtctl";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const SettingsFile settings = UserSettingsFile();
  QtSerialDevice serial;
  const auto codec = MakeCodec(CodePageFor(StringTable::CurrentLanguage()));
  ObservedDevice device(serial, [&serial, &codec] {
    const std::string reason =
        OpenFailureReason(CommPort::OpenStep::Device, serial.LastOpenFailure(), *codec);
    return codec->ToUtf8(reason).value_or(reason);
  });
  SteadyClock clock;
  return StopOnDevice(target, device, clock, &settings, out, err);
}

}  // namespace hvt
