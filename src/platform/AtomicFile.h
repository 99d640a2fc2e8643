#pragma once

#include <string>
#include <string_view>

namespace hvt {

// Replaces a file in one step: the bytes go to a temporary file in the same
// folder, are synced, and the temporary file is renamed over the target. A
// failed write leaves the previous file untouched. Returns false and the
// system's reason on failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// Reads a whole file of at most maxBytes; false and an error text when it
// cannot be read or is larger (a device or a pipe is read up to the limit).
inline constexpr size_t kMaxReadBytes = 64u << 20;
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                   size_t maxBytes = kMaxReadBytes);

}  // namespace hvt
