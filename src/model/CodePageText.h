#pragma once

#include <cstddef>
#include <string_view>

namespace hvt {

// Document texts are bytes in the system's code page: 1252 has one byte per
// character; 932 (Shift-JIS) has double-byte characters whose first byte is
// a lead byte. These helpers walk such texts by whole characters, so a trail
// byte that looks like a blank or a lead byte is never taken for one.

bool IsLeadByte(unsigned char byte, int codePage);

// Bytes of the character that starts at `at` (a lead byte at the very end
// counts as a character of its own).
size_t CharLength(std::string_view text, size_t at, int codePage);

// Without leading and/or trailing white space; the double-byte blank of code
// page 932 counts as white space.
std::string_view TrimBlanks(std::string_view text, int codePage, bool leading, bool trailing);

// The longest head of at most `limit` bytes that ends on a character
// boundary.
std::string_view CutBytes(std::string_view text, size_t limit, int codePage);

}  // namespace hvt
