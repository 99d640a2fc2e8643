#ifndef _WIN32

#include "os/SerialPortHolder.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hvt::os {

namespace {

bool Alive(int64_t pid) {
  if (pid <= 0 || static_cast<pid_t>(pid) != pid) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

// The process that holds a lock on the file (flock, POSIX or open-file
// description lock), from the kernel's table of locks; 0 when there is
// none, -1 for a lock that names no process. Linux only: elsewhere the
// table is not there and the answer is 0.
int64_t LockHolderInTable(const struct stat& file) {
  std::ifstream table("/proc/locks");
  for (std::string line; std::getline(table, line);) {
    // "1: FLOCK  ADVISORY  WRITE 19760 00:1b:4 0 EOF"; waiters have "->".
    std::istringstream in(line);
    std::string number, type, mode, access, pid, where;
    if (!(in >> number >> type)) continue;
    if (type == "->") continue;
    if (!(in >> mode >> access >> pid >> where)) continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    const size_t colon1 = where.find(':');
    const size_t colon2 = where.find(':', colon1 == std::string::npos ? 0 : colon1 + 1);
    if (colon1 == std::string::npos || colon2 == std::string::npos) continue;
    const char* p = where.data();
    if (std::from_chars(p, p + colon1, major, 16).ec != std::errc() ||
        std::from_chars(p + colon1 + 1, p + colon2, minor, 16).ec != std::errc() ||
        std::from_chars(p + colon2 + 1, p + where.size(), inode).ec != std::errc()) {
      continue;
    }
    if (major != ::major(file.st_dev) || minor != ::minor(file.st_dev) || inode != file.st_ino)
      continue;
    int64_t holder = -1;
    std::from_chars(pid.data(), pid.data() + pid.size(), holder);
    return holder > 0 ? holder : -1;
  }
  return 0;
}

// Whether some descriptor holds an flock on the file: asked by trying to
// share it, where the kernel's table cannot be read.
bool FlockHeld(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

// The PID written at the start of a lock file ("1234\n" as Qt writes it,
// "      1234\n" as lockdev and uucp do), and the program's name on the
// second line when there is one.
int64_t PidWritten(const std::string& path, std::string* program) {
  std::ifstream in(path);
  std::string first;
  if (!std::getline(in, first)) return 0;
  const size_t start = first.find_first_not_of(" \t");
  if (start == std::string::npos) return 0;
  int64_t pid = 0;
  if (std::from_chars(first.data() + start, first.data() + first.size(), pid).ec != std::errc())
    return 0;
  std::string second;
  if (program && std::getline(in, second)) *program = second;
  return pid;
}

std::string ProgramName(int64_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

std::vector<std::string> LockPaths(const std::string& devicePath,
                                   const std::vector<std::string>& lockFolders) {
  std::vector<std::string> names{LockFileName(devicePath)};
  const std::string real = RealPath(devicePath);
  if (LockFileName(real) != names.front()) names.push_back(LockFileName(real));
  std::vector<std::string> paths;
  for (const std::string& folder : lockFolders) {
    for (const std::string& name : names) paths.push_back(folder + "/" + name);
  }
  return paths;
}

// The holder a lock file names; found only for a living process that is
// not this one.
PortHolder HolderOfLockFile(const std::string& lockPath) {
  PortHolder holder;
  struct stat st {};
  if (::stat(lockPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return holder;
  std::string writtenName;
  const int64_t written = PidWritten(lockPath, &writtenName);
  int64_t pid = LockHolderInTable(st);
  const bool locked = pid != 0 || FlockHeld(lockPath);
  if (pid <= 0) pid = written;
  // Unlocked, it still counts when the PID written in it lives: lockdev
  // and uucp locks are held that way.
  if (!locked && !Alive(written)) return holder;
  if (pid == ::getpid()) return holder;
  holder.found = true;
  holder.pid = pid > 0 ? pid : 0;
  holder.program = holder.pid > 0 ? ProgramName(holder.pid) : std::string();
  if (holder.program.empty()) holder.program = writtenName;
  holder.lockFile = lockPath;
  return holder;
}

std::string NameOfUser(uid_t uid) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found) return found->pw_name;
  return std::to_string(uid);
}

std::string NameOfGroup(gid_t gid) {
  struct group entry {};
  struct group* found = nullptr;
  char buffer[4096];
  if (::getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found) return found->gr_name;
  return std::to_string(gid);
}

}  // namespace

std::string LockFileName(const std::string& devicePath) {
  std::string name = devicePath.rfind("/dev/", 0) == 0 ? devicePath.substr(5) : devicePath;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return "LCK.." + name;
}

const std::vector<std::string>& DefaultLockFolders() {
  static const std::vector<std::string> folders{
      "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
      "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
  return folders;
}

PortHolder FindPortHolder(const std::string& devicePath,
                          const std::vector<std::string>& lockFolders) {
  for (const std::string& lockPath : LockPaths(devicePath, lockFolders)) {
    PortHolder holder = HolderOfLockFile(lockPath);
    if (holder.found) return holder;
  }
  // No lock file: a program that locks the device node itself.
  struct stat st {};
  if (::stat(devicePath.c_str(), &st) == 0) {
    const int64_t pid = LockHolderInTable(st);
    if (pid != 0 && pid != ::getpid()) {
      PortHolder holder;
      holder.found = true;
      holder.pid = pid > 0 ? pid : 0;
      if (holder.pid > 0) holder.program = ProgramName(holder.pid);
      return holder;
    }
  }
  return {};
}

PortHolder FindPortHolder(const std::string& devicePath) {
  return FindPortHolder(devicePath, DefaultLockFolders());
}

std::string StuckLockFile(const std::string& devicePath,
                          const std::vector<std::string>& lockFolders) {
  for (const std::string& lockPath : LockPaths(devicePath, lockFolders)) {
    struct stat st {};
    if (::stat(lockPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        !HolderOfLockFile(lockPath).found && st.st_uid != ::geteuid()) {
      return lockPath;
    }
  }
  return {};
}

DeviceAccess CheckDeviceAccess(const std::string& devicePath) {
  DeviceAccess access;
  struct stat st {};
  if (::stat(devicePath.c_str(), &st) != 0) return access;
  access.denied =
      ::faccessat(AT_FDCWD, devicePath.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
  access.owner = NameOfUser(st.st_uid);
  access.group = NameOfGroup(st.st_gid);
  access.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  return access;
}

}  // namespace hvt::os

#endif
