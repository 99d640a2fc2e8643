#include "os/SettingsLocation.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace hvt {

std::filesystem::path UserConfigFolder() {
#ifdef _WIN32
  if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData) return appData;
  return std::filesystem::path(L".");
#else
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config";
  }
  return std::filesystem::path(".config");
#endif
}

void ProtectSettingsFile(const std::filesystem::path& path, bool protect) {
#ifdef _WIN32
  // Hidden as well, as the file has always been kept there; a hidden file
  // cannot be replaced by a rename, so both go before a write.
  SetFileAttributesW(path.c_str(), protect ? (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)
                                           : FILE_ATTRIBUTE_NORMAL);
#else
  // Only the write bits change, so a file the user keeps private stays private.
  using P = std::filesystem::perms;
  std::error_code ec;
  if (protect) {
    std::filesystem::permissions(path, P::owner_write | P::group_write | P::others_write,
                                 std::filesystem::perm_options::remove, ec);
  } else {
    std::filesystem::permissions(path, P::owner_write, std::filesystem::perm_options::add, ec);
  }
#endif
}

SettingsFile UserSettingsFile() {
  return SettingsFile(SettingsFile::PathUnder(UserConfigFolder()), ProtectSettingsFile);
}

}  // namespace hvt
