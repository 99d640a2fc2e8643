#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "hvtctl/PlkCommands.h"
#include "hvtctl/SettingsCommand.h"
#include "link/PortPaths.h"
#include "model/Settings.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;
using P = fs::perms;

namespace hvt {
namespace {

class SettingsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("hvt-settings-cmd-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
    settings = SettingsFile(SettingsFile::PathUnder(root));
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root, P::owner_all, fs::perm_options::add, ec);
    for (auto& entry : fs::recursive_directory_iterator(root, ec))
      fs::permissions(entry.path(), P::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
  }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunSettingsCommand(args, settings, out, err);
  }
  P Mode() const { return fs::status(settings.path()).permissions() & P::all; }
  std::string Text() const {
    std::ifstream in(settings.path(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path root;
  SettingsFile settings{fs::path()};
  std::ostringstream out, err;
};

TEST_F(SettingsCommandTest, SetWritesWhatTheProgramsReadAndKeepsTheFileReadOnly) {
  ASSERT_EQ(Run({"set", "Ports", "COM5", "/dev/pts/3"}), kExitOk) << err.str();
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(Mode() & (P::owner_write | P::group_write | P::others_write), P::none);
  EXPECT_EQ(PortDevicePath(5, &settings), "/dev/pts/3");

  // A file the user keeps private stays so; only the write bits went.
  fs::permissions(settings.path(), P::owner_read | P::owner_write);
  ASSERT_EQ(Run({"set", "EMV", "PORT_NUM", "5"}), kExitOk) << err.str();
  EXPECT_EQ(Mode(), P::owner_read);
  // Names match in any case: the entry is replaced, not added.
  ASSERT_EQ(Run({"set", "emv", "port_num", "7"}), kExitOk);
  EXPECT_EQ(Text(), "[Ports]\r\nCOM5=/dev/pts/3\r\n[EMV]\r\nport_num=7\r\n");
  EXPECT_EQ(Mode(), P::owner_read);

  ASSERT_EQ(Run({"get", "ports", "com5"}), kExitOk);
  EXPECT_EQ(out.str(), "/dev/pts/3\n");
  ASSERT_EQ(Run({"get", "EMV", "PORT_NUM"}), kExitOk);
  EXPECT_EQ(out.str(), "7\n");

  // An empty value is an entry; a missing one is not.
  ASSERT_EQ(Run({"set", "PRINT_ENV", "Model", ""}), kExitOk);
  ASSERT_EQ(Run({"get", "PRINT_ENV", "Model"}), kExitOk);
  EXPECT_EQ(out.str(), "\n");
  EXPECT_EQ(Run({"get", "PRINT_ENV", "Serial"}), kExitFailure);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "hvtctl settings get: " + settings.path().string() +
                           ": no entry Serial in [PRINT_ENV]\n");
}

TEST_F(SettingsCommandTest, GetWithoutAFileSaysSoAndCreatesNothing) {
  EXPECT_EQ(Run({"get", "EMV", "PORT_NUM"}), kExitFailure);
  EXPECT_EQ(err.str(), "hvtctl settings get: " + settings.path().string() +
                           ": no entry PORT_NUM in [EMV]: the file does not exist\n");
  EXPECT_FALSE(fs::exists(root / "Korrin"));

  // A path that is a folder cannot be read: the reason, not "no entry".
  fs::create_directories(settings.path());
  EXPECT_EQ(Run({"get", "EMV", "PORT_NUM"}), kExitFailure);
  EXPECT_EQ(err.str().find("no entry"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("cannot be read"), std::string::npos) << err.str();
}

TEST_F(SettingsCommandTest, ArgumentsTheFileCannotHoldAreRefusedAndNothingIsWritten) {
  ASSERT_EQ(Run({"set", "EMV", "TYPE", "3"}), kExitOk);
  const std::string before = Text();
  const std::vector<std::vector<std::string>> bad = {
      {"set", "", "K", "1"},
      {"set", "E]MV", "K", "1"},
      {"set", "EMV", "K=1", "2"},
      {"set", "EMV", ";K", "1"},
      {"set", "EMV", "K\nX", "1"},
      {"set", "EMV", "K", "1 "},
      {"set", "EMV", "K", "1\r\n[Ports]"},
      {"set", "EMV", "K", std::string(512, 'x')},
      {"set", "EMV", "K"},
      {"get", "EMV"},
      {"put", "EMV", "K", "1"},
      {},
  };
  for (const auto& args : bad) {
    EXPECT_EQ(Run(args), kExitUsage) << ::testing::PrintToString(args);
    EXPECT_NE(err.str(), "") << ::testing::PrintToString(args);
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_EQ(Text(), before);
  // The longest value that reads back whole is taken.
  ASSERT_EQ(Run({"set", "PRINT_ENV", "Model", std::string(511, 'm')}), kExitOk);
  ASSERT_EQ(Run({"get", "PRINT_ENV", "Model"}), kExitOk);
  EXPECT_EQ(out.str(), std::string(511, 'm') + "\n");

  ASSERT_EQ(Run({"--help"}), kExitOk);
  EXPECT_EQ(out.str().rfind("Usage: hvtctl settings get SECTION KEY\n", 0), 0u);
}

TEST_F(SettingsCommandTest, AFolderThatCannotBeWrittenFailsAndKeepsTheOldValue) {
  ASSERT_EQ(Run({"set", "EMV", "PORT_NUM", "4"}), kExitOk);
  fs::permissions(settings.path().parent_path(), P::owner_write | P::group_write | P::others_write,
                  fs::perm_options::remove);
  const auto result = testing::RunUnprivileged([&] {
    SettingsFile again(settings.path());
    std::ostringstream o, e;
    const int rc = RunSettingsCommand({"set", "EMV", "PORT_NUM", "9"}, again, o, e);
    if (rc != kExitFailure) std::cerr << e.str();
    return rc == kExitFailure &&
           e.str().rfind("hvtctl settings set: " + settings.path().string() + ": cannot ", 0) ==
               0 &&
           e.str().find("; the entry was not written\n") != std::string::npos;
  });
  if (!result) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_TRUE(*result);
  ASSERT_EQ(Run({"get", "EMV", "PORT_NUM"}), kExitOk);
  EXPECT_EQ(out.str(), "4\n");
}

}  // namespace
}  // namespace hvt
