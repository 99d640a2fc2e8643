#pragma once

#include <string>
#include <string_view>

namespace hvt::os {

// Replaces the file at path with bytes in one step. The bytes go to
// ".NAME.hvt-save-PID-RANDOM" beside it, created exclusively, written in
// full and synced; that file is renamed over path and the folder synced, so
// the new document survives a power cut, and a failure before the rename
// leaves the previous one as it was. A symbolic link is followed and stays
// a link; an existing document keeps its permission bits, and one we may
// not write is refused.
//
// Temporary files a killed save of the same document left behind (their
// process is gone) are removed first.
//
// On failure: false, no temporary file, and the system's reason (strerror)
// in error. Only a failed sync of the folder comes after the rename.
//
// On Windows (path in UTF-8) the temporary file is flushed with
// FlushFileBuffers and moved over the document with MoveFileExW and
// MOVEFILE_WRITE_THROUGH; a read-only document is refused, a hidden one
// stays hidden, and the reason is the system's message.
bool AtomicReplace(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace hvt::os
