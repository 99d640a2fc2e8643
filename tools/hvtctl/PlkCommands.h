#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace hvt {

// Exit codes of hvtctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;      // bad arguments, unreadable or foreign file
inline constexpr int kExitTruncated = 3;  // the file ends early

class CPELKDoc;
class TextCodec;

// The code page of document texts unless --codepage says otherwise: that of
// the string table's language, as the desktop program uses.
int DefaultCodePage();

// True when any argument asks for help.
bool WantsHelp(const std::vector<std::string>& args);

// Reads a .plk file ("-": standard input) into doc, set up as a new document of the file's own
// injection unit type, so that any document of this program loads. Returns
// kExitOk, or the exit code after the message has gone to err as
// "who: FILE: cannot read ...", message 4002, 4003 or "Unexpected file format.".
int LoadPlkFile(const std::string& path, const TextCodec& codec, CPELKDoc& doc, std::ostream& err,
                const char* who);

// "hvtctl plk ..." with the arguments after "plk".
int RunPlkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kPlkHelp;

// The JSON Schema of the document JSON (tools/hvtctl/plk.schema.json).
extern const std::string_view kPlkSchemaText;

}  // namespace hvt
