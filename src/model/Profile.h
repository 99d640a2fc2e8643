#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hvt {

// Private-profile ("INI") text: "[section]" lines, then "key=value" lines.
// Section and key names compare without regard to ASCII case; blanks around
// names and values are ignored; lines starting with ';' are comments. Values
// are taken as they stand (no quoting).

// Most characters a read returns, as with a 512-byte buffer.
inline constexpr size_t kProfileReadLimit = 511;

// The value of key in section, cut to kProfileReadLimit; empty when missing.
std::string ProfileRead(std::string_view content, std::string_view section, std::string_view key);
// The same, telling a missing key (nothing) from an empty value.
std::optional<std::string> ProfileFind(std::string_view content, std::string_view section,
                                       std::string_view key);

// The content with key in section set to value. A missing section is added at
// the end, a missing key after the section's last entry; other lines stay as
// they were.
std::string ProfileWrite(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace hvt
