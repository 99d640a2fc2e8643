#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, FailedSaveLeavesThePreviousFile) {
  const std::string path = (dir / "keep.plk").string();
  ASSERT_TRUE(WriteFileAtomically(path, "previous"));
  // A folder we may not write: the temporary file cannot be made there.
  fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
  const auto result = testing::RunUnprivileged([&] {
    std::string error;
    const bool failed = !WriteFileAtomically(path, "new", &error) && !error.empty();
    std::string bytes;
    return failed && ReadWholeFile(path, bytes) && bytes == "previous";
  });
  if (!result) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_TRUE(*result);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "previous");
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
