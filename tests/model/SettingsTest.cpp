#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>

#include "model/CPELKDoc.h"
#include "model/Settings.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;

namespace hvt {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("hvt-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& entry : fs::recursive_directory_iterator(root, ec)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root, ec);
  }
  fs::path root;
};

TEST_F(SettingsTest, FreshAccountReadsEmptyAndCreatesNothing) {
  SettingsFile settings(SettingsFile::PathUnder(root));
  EXPECT_EQ(settings.path(), root / "Korrin" / "HVT-KP4RS" / "HVT-KP4RS.INI");
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "");
  EXPECT_FALSE(fs::exists(root / "Korrin"));

  CPELKDoc doc(&settings);
  EXPECT_EQ(doc.portNumber, 1);
  const WindowPosition pos = ReadWindowPosition(settings);
  EXPECT_EQ(pos.left, 0);
  EXPECT_EQ(pos.top, 0);
  EXPECT_EQ(pos.right, 800);
  EXPECT_EQ(pos.bottom, 550);
}

TEST_F(SettingsTest, FirstWriteCreatesFoldersAndProtectsTheFile) {
  SettingsFile settings(SettingsFile::PathUnder(root));
  ASSERT_TRUE(settings.WriteSetting("EMV", "PORT_NUM", "4"));
  ASSERT_TRUE(fs::exists(settings.path()));
  const auto perms = fs::status(settings.path()).permissions();
  EXPECT_EQ(perms & fs::perms::all,
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  // A second write lifts the protection first.
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "1"));
  ASSERT_TRUE(settings.WriteSetting("EMV", "PORT_NUM", "5"));
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "5");
  EXPECT_EQ(settings.ReadSetting("emv", "type"), "1");
  EXPECT_EQ(fs::status(settings.path()).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(fs::exists(settings.path().string() + ".tmp"));

  CPELKDoc doc(&settings);
  EXPECT_EQ(doc.portNumber, 5);
}

TEST_F(SettingsTest, RefusedWriteFailsQuietlyAndKeepsTheOldValue) {
  SettingsFile settings(SettingsFile::PathUnder(root));
  ASSERT_TRUE(settings.WriteSetting("EMV", "PORT_NUM", "4"));
  fs::permissions(settings.path().parent_path(), fs::perms::owner_write, fs::perm_options::remove);
  const auto result = testing::RunUnprivileged([&] {
    SettingsFile again(settings.path());
    return !again.WriteSetting("EMV", "PORT_NUM", "9") &&
           again.ReadSetting("EMV", "PORT_NUM") == "4";
  });
  if (!result) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_TRUE(*result);
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "4");
}

TEST_F(SettingsTest, UsesTheGivenProtection) {
  std::vector<bool> calls;
  SettingsFile settings(root / "a.ini",
                        [&](const fs::path&, bool protect) { calls.push_back(protect); });
  settings.WriteSetting("S", "k", "1");
  settings.WriteSetting("S", "k", "2");
  EXPECT_EQ(calls, (std::vector<bool>{true, false, true}));
}

// Only the write bits come and go: the rest of the mode is the user's, on a
// real write through the temporary copy and the rename.
#ifdef _WIN32
// Windows keeps no mode bits: taking the write bits away is the read-only
// attribute, which a write lifts and sets again.
TEST_F(SettingsTest, WritesKeepTheFileReadOnlyBetweenWrites) {
  auto readOnly = [](const fs::path& p) {
    const DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  };
  SettingsFile settings(root / "kept.ini");
  std::ofstream(settings.path()) << "[EMV]\nPORT_NUM=2\n";
  ASSERT_FALSE(readOnly(settings.path()));
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "1"));
  EXPECT_TRUE(readOnly(settings.path()));
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "2");
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "3"));  // writable again while writing
  EXPECT_TRUE(readOnly(settings.path()));
  EXPECT_EQ(settings.ReadSetting("EMV", "TYPE"), "3");
  EXPECT_FALSE(fs::exists(root / "kept.ini.tmp"));

  SettingsFile fresh(root / "fresh" / "s.ini");
  ASSERT_TRUE(fresh.WriteSetting("EMV", "PORT_NUM", "4"));
  EXPECT_TRUE(readOnly(fresh.path()));
}
#else
TEST_F(SettingsTest, WritesKeepTheModeAndANewFileFollowsTheUmask) {
  using P = fs::perms;
  for (auto [kept, between] :
       {std::pair{P::owner_read | P::owner_write, P::owner_read},
        std::pair{P::owner_read | P::owner_write | P::group_read, P::owner_read | P::group_read}}) {
    SettingsFile settings(root / "kept.ini");
    std::ofstream(settings.path()) << "[EMV]\nPORT_NUM=2\n";
    fs::permissions(settings.path(), kept);
    ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "1"));
    EXPECT_EQ(fs::status(settings.path()).permissions() & P::all, between);
    EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "2");
    ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "3"));  // writable again while writing
    EXPECT_EQ(fs::status(settings.path()).permissions() & P::all, between);
    fs::permissions(settings.path(), P::owner_write, fs::perm_options::add);
    fs::remove(settings.path());
  }
  for (auto [mask, fresh] : {std::pair{mode_t{077}, P::owner_read},
                             std::pair{mode_t{027}, P::owner_read | P::group_read}}) {
    const mode_t old = ::umask(mask);
    SettingsFile settings(root / ("fresh" + std::to_string(mask)) / "s.ini");
    const bool written = settings.WriteSetting("EMV", "PORT_NUM", "4");
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(settings.path()).permissions() & P::all, fresh);
  }
}
#endif

TEST_F(SettingsTest, AnUnusablePathIsToldOnce) {
  fs::create_directories(root / "file.ini" / "is-a-folder");
  SettingsFile settings(root / "file.ini");
  std::vector<std::string> told;
  settings.onFailure = [&](const std::string& path, const std::string& reason) {
    told.push_back(path + ": " + reason);
  };
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "");
  EXPECT_FALSE(settings.WriteSetting("EMV", "PORT_NUM", "4"));
  EXPECT_FALSE(settings.WriteSetting("EMV", "TYPE", "1"));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind((root / "file.ini").string() + ": ", 0), 0u) << told[0];

  // A missing file is no failure: it is a fresh account.
  SettingsFile fresh(root / "none" / "s.ini");
  fresh.onFailure = [&](const std::string&, const std::string&) { told.push_back("fresh"); };
  EXPECT_EQ(fresh.ReadSetting("EMV", "PORT_NUM"), "");
  EXPECT_EQ(told.size(), 1u);
}

TEST_F(SettingsTest, FindAndWriteSayWhyTheyFailed) {
  SettingsFile settings(root / "s.ini");
  std::string reason = "old";
  EXPECT_EQ(settings.FindSetting("EMV", "TYPE", &reason), std::nullopt);
  EXPECT_EQ(reason, "");  // no file: nothing failed
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "", &reason));
  EXPECT_EQ(settings.FindSetting("EMV", "TYPE", &reason), std::optional<std::string>(""));
  EXPECT_EQ(settings.FindSetting("EMV", "PORT_NUM", &reason), std::nullopt);
  EXPECT_EQ(reason, "");

  // A folder where the file should be: reading and writing both say so,
  // each time, while onFailure hears it once.
  SettingsFile folder(root / "dir.ini");
  fs::create_directories(folder.path());
  int told = 0;
  folder.onFailure = [&](const std::string&, const std::string&) { ++told; };
  EXPECT_EQ(folder.FindSetting("EMV", "TYPE", &reason), std::nullopt);
  EXPECT_EQ(reason.rfind("cannot be read", 0), 0u) << reason;
  reason.clear();
  EXPECT_FALSE(folder.WriteSetting("EMV", "TYPE", "1", &reason));
  EXPECT_EQ(reason.rfind("cannot be read", 0), 0u) << reason;
  EXPECT_EQ(told, 1);

  // A file whose folder is a file: the system's reason for the write.
  std::ofstream(root / "plain") << "x";
  SettingsFile under(root / "plain" / "s.ini");
  EXPECT_FALSE(under.WriteSetting("EMV", "TYPE", "1", &reason));
  EXPECT_EQ(reason.rfind("cannot create its folder: ", 0), 0u) << reason;
  EXPECT_GT(reason.size(), std::string("cannot create its folder: ").size());
}

TEST(SettingValues, DecimalReadingRule) {
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(DecimalValue("abc"), 0);
  EXPECT_EQ(DecimalValue("  42x"), 42);
  EXPECT_EQ(DecimalValue("-7"), -7);
  EXPECT_EQ(DecimalValue("+8"), 8);
  EXPECT_EQ(DecimalValue("- 8"), 0);
  EXPECT_EQ(DecimalValue("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(DecimalValue("-99999999999999999999"), INT32_MIN);
}

TEST(SettingValues, PortNumberAndType) {
  EXPECT_EQ(PortNumberFromSetting(""), 1);
  EXPECT_EQ(PortNumberFromSetting("0"), 1);
  EXPECT_EQ(PortNumberFromSetting("257"), 257);
  EXPECT_EQ(PortNumberFromSetting("258"), 1);
  EXPECT_EQ(PortNumberFromSetting("COM"), 1);
  EXPECT_EQ(PortNumberFromSetting("-1"), 1);
  EXPECT_EQ(PortNumberFromSetting("65539"), 3);  // cut to 16 bits first
  EXPECT_EQ(PortNumberFromSetting(" 12"), 12);
  EXPECT_EQ(InjectionTypeFromSetting("1"), 1);
  EXPECT_EQ(InjectionTypeFromSetting("3"), 3);
  EXPECT_EQ(InjectionTypeFromSetting("2"), 3);
  EXPECT_EQ(InjectionTypeFromSetting(""), 3);
}

TEST_F(SettingsTest, WindowPositionDefaultsOnlyForZeroEdges) {
  SettingsFile settings(root / "pos.ini");
  settings.WriteSetting("Position", "left", "-5");
  settings.WriteSetting("Position", "right", "0");
  settings.WriteSetting("Position", "bottom", "700");
  const WindowPosition pos = ReadWindowPosition(settings);
  EXPECT_EQ(pos.left, -5);
  EXPECT_EQ(pos.right, 800);
  EXPECT_EQ(pos.bottom, 700);
}

}  // namespace
}  // namespace hvt
