#pragma once

#ifndef _WIN32

#include <cstdint>
#include <string>
#include <vector>

namespace hvt::os {

// Another process that holds a serial device.
struct PortHolder {
  bool found = false;
  int64_t pid = 0;       // 0 when the lock does not say
  std::string program;   // its name when the system tells it
  std::string lockFile;  // the lock file that says so, if one does
};

// Who holds the serial device at path, told by the port's lock and by
// nothing else: a serial program takes "LCK..NAME" in a lock folder (NAME
// is the path below /dev with '/' as '_', as serial libraries form it; for
// the path as given and for the device a link leads to) and keeps it
// flock()ed, or writes its PID in it as lockdev and uucp do; some flock()
// the device itself. A lock of this process, or of a process that is gone,
// holds nothing.
PortHolder FindPortHolder(const std::string& devicePath,
                          const std::vector<std::string>& lockFolders);
PortHolder FindPortHolder(const std::string& devicePath);
// The folders serial libraries put their lock files in, in their order.
const std::vector<std::string>& DefaultLockFolders();

// A lock file of the device that exists but that no living process holds
// (left by a program of another user that the folder's sticky bit keeps
// us from removing); empty when there is none.
std::string StuckLockFile(const std::string& devicePath,
                          const std::vector<std::string>& lockFolders);

// Whether this process may open the device for reading and writing, and
// whom its permission bits let in.
struct DeviceAccess {
  bool denied = false;
  std::string owner;          // the device's owner, by name (or number)
  std::string group;          // its group, by name (or number)
  bool groupMayOpen = false;  // the group has read and write permission
};
DeviceAccess CheckDeviceAccess(const std::string& devicePath);

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
std::string LockFileName(const std::string& devicePath);

}  // namespace hvt::os

#endif
