#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

// "hvtctl run ..." with the arguments after "run".
int RunRunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kRunHelp;

}  // namespace hvt
