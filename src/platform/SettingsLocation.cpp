#include "platform/SettingsLocation.h"

#include <cstdlib>

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

SettingsFile UserSettingsFile() {
  const auto path = SettingsFile::PathUnder(UserConfigFolder());
#ifdef _WIN32
  return SettingsFile(path, [](const std::filesystem::path& p, bool protect) {
    SetFileAttributesW(p.c_str(), protect ? (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)
                                          : FILE_ATTRIBUTE_NORMAL);
  });
#else
  return SettingsFile(path);
#endif
}

}  // namespace hvt
