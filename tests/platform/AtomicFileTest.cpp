#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;

namespace hvt {
namespace {

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("hvt-atomic-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }
  fs::path dir;
};

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Touch(const fs::path& file) { std::ofstream(file) << "left"; }

// The id of a process that has just ended.
pid_t DeadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// A child that lives until release is closed.
struct LiveChild {
  LiveChild() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[1]);
      char c;
      while (::read(fds[0], &c, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
    ::close(fds[0]);
    release = fds[1];
  }
  ~LiveChild() {
    ::close(release);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
  }
  pid_t pid = -1;
  int release = -1;
};

// Runs body in a child with a tmpfs of size bytes on folder, in a mount
// namespace of the child's own (so the mount goes with it, whatever
// happens). What body returns comes back; nullopt when no such file system
// can be mounted here, as root or in a user namespace.
std::optional<std::string> OnSmallDisk(const fs::path& folder, const char* size,
                                       const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWNS) != 0) {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(77);
      std::ofstream("/proc/self/setgroups") << "deny";
      std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
      std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    const std::string options = std::string("size=") + size;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      ::_exit(77);
    }
    const std::string said = body();
    if (::write(fds[1], said.data(), said.size()) < 0) ::_exit(1);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string said;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) said.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 77) {
    return std::nullopt;
  }
  return said;
}

TEST_F(AtomicFileTest, WritesAndReplaces) {
  const std::string path = (dir / "a.plk").string();
  ASSERT_TRUE(WriteFileAtomically(path, std::string("one\0two", 7)));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, std::string("one\0two", 7));
  ASSERT_TRUE(WriteFileAtomically(path, "three"));
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "three");
  // Nothing left beside the file.
  EXPECT_EQ(Names(dir), std::vector<std::string>{"a.plk"});
}

TEST_F(AtomicFileTest, KeepsTheLinkAndTheModeOfTheDocument) {
  const fs::path target = dir / "target.plk";
  ASSERT_TRUE(WriteFileAtomically(target.string(), "one"));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(target, dir / "link.plk");
  ASSERT_TRUE(WriteFileAtomically((dir / "link.plk").string(), "two"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.plk"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(target.string(), bytes));
  EXPECT_EQ(bytes, "two");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"link.plk", "target.plk"}));
}

TEST_F(AtomicFileTest, LeftoversOfEndedSavesOfTheDocumentGoAtItsNextSave) {
  const std::string dead = ".doc.plk.hvt-save-" + std::to_string(DeadPid()) + "-";
  LiveChild live;
  ASSERT_GT(live.pid, 0);
  const std::vector<std::string> kept = {
      ".doc.plk.hvt-save-" + std::to_string(live.pid) + "-k3y9",   // still saving
      ".doc.plk.hvt-save-" + std::to_string(::getpid()) + "-ab1",  // ours
      ".doc.plk.hvt-save-0-ab12",                                  // no process
      ".other.plk" + dead.substr(8) + "ab12",                      // another document
      dead + "ab12.plk",                                           // not of the form
      dead.substr(1) + "ab12",                                     // not hidden
  };
  for (const auto& name : kept) Touch(dir / name);
  Touch(dir / (dead + "ab12"));
  Touch(dir / (dead + "Z9"));
  ASSERT_TRUE(WriteFileAtomically((dir / "doc.plk").string(), "new"));
  std::vector<std::string> expected = kept;
  expected.push_back("doc.plk");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir), expected);
}

TEST_F(AtomicFileTest, FailedSaveLeavesThePreviousFile) {
  const std::string path = (dir / "keep.plk").string();
  ASSERT_TRUE(WriteFileAtomically(path, "previous"));
  // A document made read-only, in a folder anyone may write: a rename alone
  // would replace it.
  const fs::path open = dir / "open";
  fs::create_directory(open);
  fs::permissions(open, fs::perms::all);
  const std::string readOnly = (open / "ro.plk").string();
  ASSERT_TRUE(WriteFileAtomically(readOnly, "previous"));
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // A folder we may not write: the temporary file cannot be made there.
  fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
  const auto result = testing::RunUnprivileged([&] {
    for (const std::string& file : {path, readOnly}) {
      std::string error, bytes;
      if (WriteFileAtomically(file, "new", &error) || error != "Permission denied") return false;
      if (!ReadWholeFile(file, bytes) || bytes != "previous") return false;
    }
    return Names(open) == std::vector<std::string>{"ro.plk"};
  });
  if (!result) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_TRUE(*result);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "previous");
}

TEST_F(AtomicFileTest, FullDiskLeavesThePreviousFileAndSaysSo) {
  const std::string path = (dir / "doc.plk").string();
  const auto said = OnSmallDisk(dir, "64k", [&]() -> std::string {
    if (!WriteFileAtomically(path, "previous")) return "first save failed";
    std::string error, bytes;
    if (WriteFileAtomically(path, std::string(1 << 20, 'x'), &error)) return "1 MiB fitted";
    if (!ReadWholeFile(path, bytes) || bytes != "previous") return "previous file lost";
    if (Names(dir) != std::vector<std::string>{"doc.plk"}) return "temporary file left";
    return error;
  });
  if (!said) GTEST_SKIP() << "cannot mount a small file system here";
  EXPECT_EQ(*said, "No space left on device");
}

TEST_F(AtomicFileTest, ReadsAreBounded) {
  const std::string path = (dir / "big.plk").string();
  ASSERT_TRUE(WriteFileAtomically(path, std::string(100, 'x')));
  std::string bytes, error;
  EXPECT_TRUE(ReadWholeFile(path, bytes, &error, 100));
  EXPECT_FALSE(ReadWholeFile(path, bytes, &error, 99));
  EXPECT_NE(error.find("larger"), std::string::npos);
  EXPECT_FALSE(ReadWholeFile("/dev/zero", bytes, &error, 1000));
}

TEST_F(AtomicFileTest, MissingFolderOrFileIsAnError) {
  std::string error, bytes;
  EXPECT_FALSE(WriteFileAtomically((dir / "no" / "x.plk").string(), "x", &error));
  EXPECT_FALSE(ReadWholeFile((dir / "none.plk").string(), bytes, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace hvt
