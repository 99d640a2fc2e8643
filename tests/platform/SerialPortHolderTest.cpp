// Who holds a serial port, told by its lock only: lock files in a folder of
// the test's own, a pseudo-terminal's device node, and processes that hold
// them for as long as the test says.

#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "os/SerialPortHolder.h"
#include "support/Unprivileged.h"

namespace hvt::os {
namespace {

namespace fs = std::filesystem;

// A child process that runs hold() (taking its locks) and then waits until
// it is released; the test goes on only once the locks are taken.
class Holder {
 public:
  explicit Holder(const std::function<void()>& hold) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      hold();
      const char byte = 1;
      if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
      char got;
      while (::read(release[0], &got, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char got = 0;
    started = ::read(ready[0], &got, 1) == 1;
    ::close(ready[0]);
    toChild = release[1];
  }
  ~Holder() { Release(); }
  void Release() {
    if (toChild < 0) return;
    ::close(toChild);
    toChild = -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
  }
  pid_t pid = -1;
  bool started = false;

 private:
  int toChild = -1;
};

class SerialPortHolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "hvt-locks-XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    folder = name;
  }
  void TearDown() override { fs::remove_all(folder); }
  std::string LockPath(const std::string& device) const {
    return (folder / LockFileName(device)).string();
  }
  void WriteLock(const std::string& device, const std::string& text) const {
    std::ofstream(LockPath(device)) << text;
  }
  PortHolder Find(const std::string& device) const {
    return FindPortHolder(device, {folder.string()});
  }
  fs::path folder;
};

TEST_F(SerialPortHolderTest, LockFilesAreNamedAsSerialLibrariesNameThem) {
  EXPECT_EQ(LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
  EXPECT_EQ(LockFileName("/dev/pts/3"), "LCK..pts_3");
  EXPECT_EQ(LockFileName("/dev/serial/by-id/usb-FTDI-if00"), "LCK..serial_by-id_usb-FTDI-if00");
  EXPECT_EQ(LockFileName("ttyS0"), "LCK..ttyS0");
}

TEST_F(SerialPortHolderTest, AFlockedLockFileNamesItsLivingHolder) {
  const std::string device = "/dev/ttyUSB4";
  const std::string lock = LockPath(device);
  Holder holder([&] {
    // As QLockFile does it: the PID and the program's name, kept flock()ed.
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    const std::string text = std::to_string(::getpid()) + "\nsome-app\nhost\n";
    if (fd < 0 || ::write(fd, text.data(), text.size()) < 0 || ::flock(fd, LOCK_EX) != 0)
      ::_exit(1);
  });
  ASSERT_TRUE(holder.started);
  const PortHolder found = Find(device);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.pid, holder.pid);
  // The system's name of the process (the test program forked) before the
  // one the file gives.
  std::ifstream comm("/proc/self/comm");
  std::string self;
  std::getline(comm, self);
  EXPECT_EQ(found.program, self);
  EXPECT_EQ(found.lockFile, lock);

  // Gone, it holds nothing, though its file stays behind.
  holder.Release();
  ASSERT_TRUE(fs::exists(lock));
  EXPECT_FALSE(Find(device).found);
  EXPECT_EQ(StuckLockFile(device, {folder.string()}), "") << "our own file can be removed";
}

TEST_F(SerialPortHolderTest, AnUnlockedFileHoldsWhileThePidWrittenInItLives) {
  // lockdev and uucp: the PID in ten columns, no flock.
  const std::string device = "/dev/ttyS1";
  Holder living([] {});
  ASSERT_TRUE(living.started);
  char text[16];
  std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(living.pid));
  WriteLock(device, text);
  PortHolder found = Find(device);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.pid, living.pid);

  const pid_t dead = living.pid;
  living.Release();
  EXPECT_FALSE(Find(device).found) << "process " << dead << " is gone";

  // This process's own lock is no other program's.
  WriteLock(device, std::to_string(::getpid()) + "\n");
  EXPECT_FALSE(Find(device).found);
  // Nor is a file whose first line is no number.
  WriteLock(device, "locked\n");
  EXPECT_FALSE(Find(device).found);
}

TEST_F(SerialPortHolderTest, TheLockOfTheDeviceALinkLeadsToCounts) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  const fs::path link = folder / "instrument";
  fs::create_symlink(name, link);
  Holder holder([&] {
    const std::string lock = LockPath(name);
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
  });
  ASSERT_TRUE(holder.started);
  const PortHolder found = Find(link.string());
  EXPECT_TRUE(found.found) << "the lock of " << name << " through " << link;
  EXPECT_EQ(found.pid, holder.pid);
  holder.Release();
  ::close(master);
  ::close(slave);
}

TEST_F(SerialPortHolderTest, AProgramThatLocksTheDeviceNodeItselfHoldsIt) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  EXPECT_FALSE(Find(name).found);
  {
    Holder holder([&] {
      // pyserial's exclusive open: flock on the port's own descriptor.
      const int fd = ::open(name, O_RDWR | O_NOCTTY);
      if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) ::_exit(1);
    });
    ASSERT_TRUE(holder.started);
    const PortHolder found = Find(name);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.pid, holder.pid);
    EXPECT_EQ(found.lockFile, "");
  }
  EXPECT_FALSE(Find(name).found);
  ::close(master);
  ::close(slave);
}

TEST_F(SerialPortHolderTest, ADeviceForAGroupIsDeniedToOthersAndNamesTheGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to root and a group";
  const fs::path device = folder / "ttyFAKE";
  std::ofstream(device) << "";
  // Group 20 is "dialout" on Debian; whatever its name here, the check must
  // give the same one.
  ASSERT_EQ(::chown(device.c_str(), 0, 20), 0);
  ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
  fs::permissions(folder, fs::perms::all);  // nobody may reach the file
  const DeviceAccess asRoot = CheckDeviceAccess(device.string());
  EXPECT_FALSE(asRoot.denied);
  EXPECT_EQ(asRoot.owner, "root");
  EXPECT_TRUE(asRoot.groupMayOpen);
  const std::string group = asRoot.group;
  EXPECT_FALSE(group.empty());

  const auto denied = testing::RunUnprivileged([&] {
    const DeviceAccess a = CheckDeviceAccess(device.string());
    return a.denied && a.group == group && a.groupMayOpen && a.owner == "root";
  });
  ASSERT_TRUE(denied.has_value());
  EXPECT_TRUE(*denied);

  ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
  const auto ownerOnly = testing::RunUnprivileged([&] {
    const DeviceAccess a = CheckDeviceAccess(device.string());
    return a.denied && !a.groupMayOpen && a.owner == "root";
  });
  ASSERT_TRUE(ownerOnly.has_value());
  EXPECT_TRUE(*ownerOnly);
}

}  // namespace
}  // namespace hvt::os

#endif
