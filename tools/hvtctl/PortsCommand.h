#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

class SerialDevice;
class SettingsFile;

// "hvtctl ports": the COM ports that open, one a line with their devices.
int RunPortsCommand(const std::vector<std::string>& args, SerialDevice& device,
                    const SettingsFile* settings, std::ostream& out, std::ostream& err);

}  // namespace hvt
