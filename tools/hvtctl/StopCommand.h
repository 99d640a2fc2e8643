#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

class Clock;
class ObservedDevice;
class SettingsFile;

// "hvtctl stop ..." with the arguments after "stop".
int RunStopCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Where the instrument is: a device path, else COM port `port`, else the
// settings file's PORT_NUM.
struct StopTarget {
  int port = 0;
  std::string device;
};

// The stop itself, on the given device: identify the instrument, send it
// "CB" and "PC0", and report what "QG" says afterwards. Returns the exit code.
int StopOnDevice(const StopTarget& target, ObservedDevice& device, Clock& clock,
                 const SettingsFile* settings, std::ostream& out, std::ostream& err);

extern const char* const kStopHelp;

}  // namespace hvt
