#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "hvtctl/PlkCommands.h"
#include "hvtctl/PortsCommand.h"
#include "hvtctl/ReportCommand.h"
#include "hvtctl/RunCommand.h"
#include "model/StringTable.h"
#include "platform/QtSerialDevice.h"
#include "platform/SettingsLocation.h"
#include "platform/SystemLanguage.h"

namespace {

const char* const kHelp =
    "Usage: hvtctl COMMAND ...\n"
    "\n"
    "Command line of the HVT-KP4 remote control program.\n"
    "\n"
    "Commands:\n"
    "  plk new|dump|build   documents (.plk files) to and from JSON;\n"
    "                       see 'hvtctl plk --help'\n"
    "  report               the test report of a document as a PDF;\n"
    "                       see 'hvtctl report --help'\n"
    "  run FILE.plk ...     run a unit or a program on the instrument, a serial\n"
    "                       device or in demonstration mode; see 'hvtctl run --help'\n"
    "  ports                the COM ports that can be opened, with their devices\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 bad arguments or a file that cannot\n"
    "be used, 3 a document file that ends early.\n";

}  // namespace

int main(int argc, char** argv) {
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
  if (args[0] == "ports") {
    // The serial port wants an application object in the process.
    QCoreApplication app(argc, argv);
    hvt::QtSerialDevice device;
    const hvt::SettingsFile settings = hvt::UserSettingsFile();
    return hvt::RunPortsCommand({args.begin() + 1, args.end()}, device, &settings, std::cout,
                                std::cerr);
  }
  std::cerr << "hvtctl: unknown command " << args[0] << "\n" << kHelp;
  return hvt::kExitUsage;
}
