// The atomic save on this system's own calls: POSIX here, Win32 in the
// Windows build under wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "os/AtomicReplace.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;

namespace hvt::os {
namespace {

std::string Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class AtomicReplaceTest : public ::testing::Test {
 protected:
  testing::TempFolder folder{"hvt-os-replace"};
  fs::path doc = folder.path / "Test.plk";
};

TEST_F(AtomicReplaceTest, CreatesThenReplacesAndLeavesOnlyTheDocument) {
  std::string error;
  ASSERT_TRUE(AtomicReplace(doc.string(), "first", &error)) << error;
  EXPECT_EQ(Content(doc), "first");
  // Bytes a text mode would change, and an empty document.
  const std::string binary("a\r\nb\nc\x1a\0d", 9);
  ASSERT_TRUE(AtomicReplace(doc.string(), binary, &error)) << error;
  EXPECT_EQ(Content(doc), binary);
  ASSERT_TRUE(AtomicReplace(doc.string(), "", &error)) << error;
  EXPECT_EQ(fs::file_size(doc), 0u);
  EXPECT_EQ(Names(folder.path), std::vector<std::string>{"Test.plk"});
}

TEST_F(AtomicReplaceTest, LeftoversOfEndedSavesGoAndOthersStay) {
  std::ofstream(doc) << "old";
  // No process has such a number on Linux (above pid_max) nor on Windows.
  const std::string ended = ".Test.plk.hvt-save-99999999-abc123";
#ifdef _WIN32
  const std::string ours = ".Test.plk.hvt-save-" + std::to_string(GetCurrentProcessId()) + "-zz";
#else
  const std::string ours = ".Test.plk.hvt-save-" + std::to_string(::getpid()) + "-zz";
#endif
  const std::string notOurs = ".Test.plk.hvt-save-12-!";  // not of our form
  const std::string otherDoc = ".Other.plk.hvt-save-99999999-abc";
  for (const auto& name : {ended, ours, notOurs, otherDoc})
    std::ofstream(folder.path / name) << "x";

  ASSERT_TRUE(AtomicReplace(doc.string(), "new"));
  EXPECT_EQ(Content(doc), "new");
  std::vector<std::string> expected{notOurs, ours, otherDoc, "Test.plk"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(folder.path), expected);
}

TEST_F(AtomicReplaceTest, AReadOnlyDocumentIsRefusedAndKept) {
  std::ofstream(doc) << "kept";
  // Takes the write bits away; on Windows that sets the read-only attribute.
  fs::permissions(doc, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  auto refused = [&] {
    std::string error;
    return !AtomicReplace(doc.string(), "lost", &error) && !error.empty();
  };
#ifdef _WIN32
  EXPECT_TRUE(refused());
#else
  // Root may write any file: the check runs as a user the folder lets in
  // and only the document's mode keeps out.
  fs::permissions(folder.path, fs::perms::all, fs::perm_options::replace);
  const std::optional<bool> result = testing::RunUnprivileged(refused);
  if (!result) GTEST_SKIP() << "no unprivileged user to write as";
  EXPECT_TRUE(*result);
#endif
  EXPECT_EQ(Content(doc), "kept");
  EXPECT_EQ(Names(folder.path), std::vector<std::string>{"Test.plk"});
  fs::permissions(doc, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(AtomicReplaceTest, AMissingFolderOrAFolderInTheWayIsTheSystemsReason) {
  std::string error;
  EXPECT_FALSE(AtomicReplace((folder.path / "gone" / "Test.plk").string(), "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(folder.path / "gone"));

  fs::create_directory(doc);
  error.clear();
  EXPECT_FALSE(AtomicReplace(doc.string(), "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(doc));
  EXPECT_EQ(Names(folder.path), std::vector<std::string>{"Test.plk"});
}

#ifdef _WIN32
TEST_F(AtomicReplaceTest, AHiddenDocumentStaysHiddenAndANewOneIsNot) {
  std::ofstream(doc) << "old";
  ASSERT_TRUE(SetFileAttributesW(doc.c_str(), FILE_ATTRIBUTE_HIDDEN));
  std::string error;
  ASSERT_TRUE(AtomicReplace(doc.string(), "new", &error)) << error;
  EXPECT_EQ(Content(doc), "new");
  EXPECT_TRUE(GetFileAttributesW(doc.c_str()) & FILE_ATTRIBUTE_HIDDEN);

  const fs::path fresh = folder.path / "Fresh.plk";
  ASSERT_TRUE(AtomicReplace(fresh.string(), "x", &error)) << error;
  EXPECT_FALSE(GetFileAttributesW(fresh.c_str()) &
               (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  SetFileAttributesW(doc.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
TEST_F(AtomicReplaceTest, ALinkIsFollowedAndTheModeKept) {
  const fs::path real = folder.path / "real.plk";
  std::ofstream(real) << "old";
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::perm_options::replace);
  fs::create_symlink(real, doc);
  ASSERT_TRUE(AtomicReplace(doc.string(), "new"));
  EXPECT_TRUE(fs::is_symlink(doc));
  EXPECT_EQ(Content(real), "new");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

}  // namespace
}  // namespace hvt::os
