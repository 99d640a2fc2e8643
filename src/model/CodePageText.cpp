#include "model/CodePageText.h"

namespace hvt {

namespace {

constexpr int kShiftJis = 932;

bool IsSingleByteBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The character at `at` (of `length` bytes) is a blank.
bool IsBlank(std::string_view text, size_t at, size_t length, int codePage) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (length == 1) return IsSingleByteBlank(c);
  return codePage == kShiftJis && c == 0x81 && static_cast<unsigned char>(text[at + 1]) == 0x40;
}

}  // namespace

bool IsLeadByte(unsigned char byte, int codePage) {
  return codePage == kShiftJis &&
         ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

size_t CharLength(std::string_view text, size_t at, int codePage) {
  if (at + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[at]), codePage)) return 2;
  return 1;
}

std::string_view TrimBlanks(std::string_view text, int codePage, bool leading, bool trailing) {
  size_t begin = 0;
  size_t end = 0;  // end of the last character that is no blank
  bool seenText = false;
  for (size_t at = 0; at < text.size();) {
    const size_t length = CharLength(text, at, codePage);
    if (!IsBlank(text, at, length, codePage)) {
      if (!seenText) begin = at;
      seenText = true;
      end = at + length;
    }
    at += length;
  }
  if (!seenText) return leading || trailing ? text.substr(text.size()) : text;
  if (!leading) begin = 0;
  if (!trailing) end = text.size();
  return text.substr(begin, end - begin);
}

std::string_view CutBytes(std::string_view text, size_t limit, int codePage) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t length = CharLength(text, at, codePage);
    if (at + length > limit) break;
    at += length;
  }
  return text.substr(0, at);
}

}  // namespace hvt
