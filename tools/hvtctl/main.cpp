#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "hvtctl/JournalCommand.h"
#include "hvtctl/PlkCommands.h"
#include "hvtctl/PortsCommand.h"
#include "hvtctl/ReportCommand.h"
#include "hvtctl/RunCommand.h"
#include "hvtctl/SettingsCommand.h"
#include "hvtctl/StopCommand.h"
#include "model/StringTable.h"
#include "os/SettingsLocation.h"
#include "platform/QtSerialDevice.h"
#include "platform/SystemLanguage.h"

namespace {

const char* const kHelp =
    "Usage: hvtctl COMMAND ...\n"
    "\n"
    "Command line of the HVT-KP4 remote control program.\n"
    "\n"
    "Commands:\n"
    "  plk new|dump|build|list|schema\n"
    "                       documents (.plk files) to and from JSON, their\n"
    "                       overview and the JSON's schema; see 'hvtctl plk --help'\n"
    "  report               the test report of a document as a PDF;\n"
    "                       see 'hvtctl report --help'\n"
    "  run FILE.plk ...     run a unit or a program on the instrument, a serial\n"
    "                       device or in demonstration mode; see 'hvtctl run --help'\n"
    "  stop [--port N | --device PATH]\n"
    "                       stop the instrument's test and switch its EUT line off,\n"
    "                       whoever left them on; see 'hvtctl stop --help'\n"
    "  journal FILE.jsonl   a run's journal as text and the check of its chain;\n"
    "                       see 'hvtctl journal --help'\n"
    "  ports                the COM ports that can be opened, with their devices;\n"
    "                       see 'hvtctl ports --help'\n"
    "  settings get SECTION KEY | set SECTION KEY VALUE\n"
    "                       read or write an entry of the settings file, which is\n"
    "                       read-only between writes (set Ports COM5 /dev/pts/3);\n"
    "                       see 'hvtctl settings --help'\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 bad arguments or a file that cannot\n"
    "be used, 3 a document file that ends early.\n";

QtMessageHandler qtHandler = nullptr;

// Qt warns that XDG_RUNTIME_DIR is unset when it sets up the offscreen
// platform a report is drawn on; hvtctl keeps nothing there, so the warning
// only alarms. Every other message passes as before.
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  if (qtHandler) {
    qtHandler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  qtHandler = qInstallMessageHandler(FilterQtMessages);
  hvt::StringTable::SetLanguage(hvt::SystemLanguage());
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::cerr << kHelp;
    return hvt::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    std::cout << kHelp;
    return hvt::kExitOk;
  }
  if (args[0] == "plk") {
    return hvt::RunPlkCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  if (args[0] == "report") {
    return hvt::RunReportMain(argc, argv, {args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  if (args[0] == "run") {
    return hvt::RunRunCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  if (args[0] == "journal") {
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    auto command = [&] { return hvt::RunJournalCommand(rest, std::cout, std::cerr); };
    // Only the PDF draws; the check needs no display.
    if (std::find(rest.begin(), rest.end(), "--pdf") == rest.end()) return command();
    return hvt::WithGuiApplication(argc, argv, command);
  }
  if (args[0] == "stop") {
    return hvt::RunStopCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
  }
  if (args[0] == "ports") {
    // The serial port wants an application object in the process.
    QCoreApplication app(argc, argv);
    hvt::QtSerialDevice device;
    const hvt::SettingsFile settings = hvt::UserSettingsFile();
    return hvt::RunPortsCommand({args.begin() + 1, args.end()}, device, &settings, std::cout,
                                std::cerr);
  }
  if (args[0] == "settings") {
    hvt::SettingsFile settings = hvt::UserSettingsFile();
    return hvt::RunSettingsCommand({args.begin() + 1, args.end()}, settings, std::cout, std::cerr);
  }
  std::cerr << "hvtctl: unknown command " << args[0] << "\n" << kHelp;
  return hvt::kExitUsage;
}
