// Where the user's settings live and how they are kept between writes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "os/SettingsLocation.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace hvt {
namespace {

// Sets an environment variable for the life of a test.
struct EnvVar {
  EnvVar(const char* name, const std::string& value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old;
    had = std::getenv(name) != nullptr;
    Set(value);
  }
  ~EnvVar() {
    if (had)
      Set(previous);
    else
      Unset();
  }
  void Set(const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
  }
  void Unset() {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
  }
  const char* name;
  std::string previous;
  bool had = false;
};

#ifdef _WIN32
DWORD Attributes(const fs::path& p) { return GetFileAttributesW(p.c_str()); }

TEST(SettingsLocation, TheFileIsUnderAppDataReadOnlyAndHiddenBetweenWrites) {
  testing::TempFolder folder("hvt-appdata");
  EnvVar appData("APPDATA", folder.path.string());
  EXPECT_EQ(UserConfigFolder(), folder.path);

  SettingsFile settings = UserSettingsFile();
  EXPECT_EQ(settings.path(), folder.path / "Korrin" / "HVT-KP4RS" / "HVT-KP4RS.INI");
  ASSERT_TRUE(settings.WriteSetting("EMV", "PORT_NUM", "2"));
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(Attributes(settings.path()) & kept, kept);
  // A second write lifts both, as a hidden or read-only file cannot be
  // replaced, and sets them again.
  std::string why;
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "3", &why)) << why;
  EXPECT_EQ(Attributes(settings.path()) & kept, kept);
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "2");
  EXPECT_EQ(settings.ReadSetting("EMV", "TYPE"), "3");

  ProtectSettingsFile(settings.path(), false);
  EXPECT_EQ(Attributes(settings.path()) & kept, 0u);
}
#else
TEST(SettingsLocation, TheFileIsUnderTheConfigFolderWithoutWriteBitsBetweenWrites) {
  testing::TempFolder folder("hvt-config");
  {
    EnvVar xdg("XDG_CONFIG_HOME", folder.path.string());
    EXPECT_EQ(UserConfigFolder(), folder.path);
  }
  {
    // A relative XDG_CONFIG_HOME is not one; HOME's .config is.
    EnvVar xdg("XDG_CONFIG_HOME", "relative");
    EnvVar home("HOME", folder.path.string());
    EXPECT_EQ(UserConfigFolder(), folder.path / ".config");
  }
  EnvVar xdg("XDG_CONFIG_HOME", folder.path.string());
  SettingsFile settings = UserSettingsFile();
  ASSERT_TRUE(settings.WriteSetting("EMV", "PORT_NUM", "2"));
  using P = fs::perms;
  EXPECT_EQ(fs::status(settings.path()).permissions() &
                (P::owner_write | P::group_write | P::others_write),
            P::none);
  ASSERT_TRUE(settings.WriteSetting("EMV", "TYPE", "3"));
  EXPECT_EQ(settings.ReadSetting("EMV", "PORT_NUM"), "2");
  ProtectSettingsFile(settings.path(), false);
  EXPECT_NE(fs::status(settings.path()).permissions() & P::owner_write, P::none);
}
#endif

}  // namespace
}  // namespace hvt
