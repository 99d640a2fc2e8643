#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

// Exit codes of hvtctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;        // bad arguments, unreadable or foreign file
inline constexpr int kExitTruncated = 3;    // the file ends early

// "hvtctl plk ..." with the arguments after "plk".
int RunPlkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kPlkHelp;

}  // namespace hvt
