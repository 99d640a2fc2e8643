#pragma once

#include <filesystem>

#include "model/Settings.h"

namespace hvt {

// The per-user configuration folder: %APPDATA% on Windows, else
// $XDG_CONFIG_HOME or ~/.config.
std::filesystem::path UserConfigFolder();

// The settings file of this user, protected between writes as the platform
// allows (read-only and hidden on Windows, mode 0444 elsewhere).
SettingsFile UserSettingsFile();

}  // namespace hvt
