#include "hvtctl/ObservedDevice.h"

#include <cstdio>
#include <ostream>

namespace hvt {

bool ObservedDevice::Open(const std::string& path) {
  openedPath = path;
  opened = device.Open(path);
  if (!opened) openError = errorText ? errorText() : std::string();
  return opened;
}

int64_t ObservedDevice::Read(uint8_t* buffer, size_t count) {
  const int64_t n = device.Read(buffer, count);
  if (n > 0) bytesReceived += n;
  return n;
}

void ReportNotFound(const ObservedDevice& device, const std::string& prefix, int64_t waitedMs,
                    std::ostream& err) {
  if (device.openedPath.empty()) return;
  if (!device.opened) {
    err << prefix << "cannot open " << device.openedPath << ": " << device.openError << "\n";
  } else if (device.bytesReceived == 0) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(waitedMs) / 1000.0);
    err << prefix << "no answer from " << device.openedPath << " (waited " << seconds << " s)\n";
  } else {
    err << prefix << device.openedPath << " answered, but not as the instrument does\n";
  }
}

}  // namespace hvt
