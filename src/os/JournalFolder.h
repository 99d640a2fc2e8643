#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ports/JournalFiles.h"

namespace hvt::os {

// The per-user journal folder: %LOCALAPPDATA%\Korrin\HVT-KP4RS\journal on
// Windows, else $XDG_DATA_HOME (or ~/.local/share)/Korrin/HVT-KP4RS/journal.
std::filesystem::path UserJournalFolder();

// The journal folder on the system's own calls: O_EXCL, write and fsync,
// the folder fsynced after a create, flock as the advisory lock (CREATE_NEW,
// FlushFileBuffers and LockFileEx on Windows). The folder and its parents
// are made when missing; false with the reason when that fails.
std::unique_ptr<JournalFolder> OpenJournalFolder(const std::filesystem::path& folder,
                                                 std::string* error);

// The name the user logged in with ("" when the system does not say).
std::string LoginName();

// The system's clocks.
const JournalClock& SystemJournalClock();

}  // namespace hvt::os
