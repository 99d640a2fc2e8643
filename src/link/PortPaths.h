#pragma once

#include <string>

namespace hvt {

class SettingsFile;

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 257;

// Device path of COM n: the settings file's [Ports] entry "COMn=..." when
// there is one; else on Windows "\\.\COMn", elsewhere COM1-32 are
// /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31 and
// other numbers have no device (empty path).
std::string PortDevicePath(int n, const SettingsFile* settings);

// "COM33 (/dev/ttyUSB0)", or "COM3" when the name is the whole story.
std::string PortDisplayName(int n, const std::string& path);

}  // namespace hvt
