#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace hvt {

// "-" names standard input or output, never a file called "-".
inline bool IsStdStream(const std::string& path) { return path == "-"; }

// True when both paths name the same file: the same device and inode (or
// the system's equivalent), whichever path, symbolic or hard link leads
// there. False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// Whether an output file may be written, checked before anything is
// written: the output must not be the input, and an existing output is
// replaced only when replaceExisting says so. On refusal the message
// "who: OUTPUT: ..." has gone to err.
bool OutputAllowed(const char* who, const std::string& input, const std::string& output,
                   bool replaceExisting, std::ostream& err);

// Reads a file, or standard input for "-", as ReadWholeFile does.
bool ReadInput(const std::string& path, std::string& bytes, std::string* error);

// Writes bytes to out for "-", else to the file in one step (a temporary
// file beside it, renamed over it). With replaceExisting false an existing
// file is never replaced, also when it appears while the bytes are written;
// error then says so. No temporary file is left behind.
bool WriteOutput(const std::string& path, std::string_view bytes, bool replaceExisting,
                 std::ostream& out, std::string* error);

// Writes a new file; fails with EEXIST's text when the path exists.
bool CreateFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace hvt
