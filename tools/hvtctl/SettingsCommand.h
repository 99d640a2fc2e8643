#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

class SettingsFile;

// "hvtctl settings get SECTION KEY" and "hvtctl settings set SECTION KEY
// VALUE", with the arguments after "settings", on the given file.
int RunSettingsCommand(const std::vector<std::string>& args, SettingsFile& settings,
                       std::ostream& out, std::ostream& err);

extern const char* const kSettingsHelp;

}  // namespace hvt
