#include "link/PortPaths.h"

#include "model/Settings.h"

namespace hvt {

std::string PortDevicePath(int n, const SettingsFile* settings) {
  // A mapping counts on Windows too: a virtual COM pair (com0com) or a
  // named pipe can then stand for a port number.
  if (settings != nullptr) {
    std::string mapped = settings->ReadSetting("Ports", "COM" + std::to_string(n));
    if (!mapped.empty()) return mapped;
  }
#ifdef _WIN32
  return "\\\\.\\COM" + std::to_string(n);
#else
  if (n >= 1 && n <= 32) return "/dev/ttyS" + std::to_string(n - 1);
  if (n >= 33 && n <= 64) return "/dev/ttyUSB" + std::to_string(n - 33);
  if (n >= 65 && n <= 96) return "/dev/ttyACM" + std::to_string(n - 65);
  return {};
#endif
}

std::string PortDisplayName(int n, const std::string& path) {
  std::string name = "COM" + std::to_string(n);
  if (path.empty() || path.find(name) != std::string::npos) return name;
  return name + " (" + path + ")";
}

}  // namespace hvt
