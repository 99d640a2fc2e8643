#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

// "hvtctl journal FILE [--json]": the run a journal records, as text, and
// the check of its sequence and hash chain. Exit 0 intact, 1 broken, 2 a
// file that cannot be read or is no journal.
int RunJournalCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kJournalHelp;

}  // namespace hvt
