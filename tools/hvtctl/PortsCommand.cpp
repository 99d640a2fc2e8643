#include "hvtctl/PortsCommand.h"

#include <ostream>

#include "hvtctl/PlkCommands.h"
#include "link/CommPort.h"
#include "link/PortPaths.h"
#include "model/Settings.h"

namespace hvt {

int RunPortsCommand(const std::vector<std::string>& args, SerialDevice& device,
                    const SettingsFile* settings, std::ostream& out, std::ostream& err) {
  if (!args.empty()) {
    const bool help = WantsHelp(args);
    (help ? out : err) << "Usage: hvtctl ports\n"
                          "Lists the COM ports 1..257 that can be opened, with their devices.\n"
                          "Devices come from [Ports] COMn=PATH in the settings file, else\n"
                          "COM1-32 /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 "
                          "/dev/ttyACM0-31.\n";
    return help ? kExitOk : kExitUsage;
  }
  CommPort port(device, [settings](int n) { return PortDevicePath(n, settings); });
  std::string text;
  const int32_t count = port.ListPorts(text);
  size_t start = 0;
  while (count > 0 && start <= text.size()) {
    const size_t slash = text.find('/', start);
    const std::string name = text.substr(start, slash == std::string::npos ? slash : slash - start);
    const int n = DecimalValue(std::string_view(name).substr(3));
    out << PortDisplayName(n, port.DevicePath(n)) << "\n";
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (count == 0) err << "No COM port can be opened.\n";
  return count > 0 ? kExitOk : kExitFailure;
}

}  // namespace hvt
