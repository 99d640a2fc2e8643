#pragma once

#include <filesystem>

#include "model/Settings.h"

namespace hvt {

// The per-user configuration folder: %APPDATA% on Windows, else
// $XDG_CONFIG_HOME or ~/.config.
std::filesystem::path UserConfigFolder();

// Protects the settings file between writes (protect) or lets it be
// written: read-only and hidden on Windows, no write bits elsewhere.
void ProtectSettingsFile(const std::filesystem::path& path, bool protect);

// The settings file of this user, protected between writes as above.
SettingsFile UserSettingsFile();

}  // namespace hvt
