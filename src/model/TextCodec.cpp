#include "model/TextCodec.h"

namespace hvt {
namespace {

// Unicode of bytes 0x80..0x9F in Windows-1252.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t ByteToUnicode(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80];
  return b;
}

std::optional<char> UnicodeToByte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<std::u32string> DecodeUtf8(std::string_view utf8) {
  std::u32string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      c = b & 0x07;
    } else {
      return std::nullopt;
    }
    if (utf8.size() - i <= static_cast<size_t>(extra)) return std::nullopt;  // cut short
    for (int k = 1; k <= extra; ++k) {
      const auto cb = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
      if ((cb & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    out += c;
    i += 1 + static_cast<size_t>(extra);
  }
  return out;
}

std::u32string DecodeUtf16(std::u16string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      out += static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += U'\uFFFD';
    } else {
      out += u;
    }
  }
  return out;
}

std::string Cp1252Codec::FromUtf16(std::u16string_view text) const {
  std::string out;
  for (char32_t c : DecodeUtf16(text)) out += UnicodeToByte(c).value_or('?');
  return out;
}

std::optional<std::string> Cp1252Codec::ToUtf8(std::string_view bytes) const {
  std::string out;
  for (char b : bytes) AppendUtf8(out, ByteToUnicode(static_cast<unsigned char>(b)));
  return out;
}

std::optional<std::string> Cp1252Codec::FromUtf8(std::string_view utf8) const {
  auto decoded = DecodeUtf8(utf8);
  if (!decoded) return std::nullopt;
  std::string out;
  for (char32_t c : *decoded) {
    auto b = UnicodeToByte(c);
    if (!b) return std::nullopt;
    out += *b;
  }
  return out;
}

const Cp1252Codec& Cp1252Codec::Instance() {
  static const Cp1252Codec codec;
  return codec;
}

std::string Utf8Codec::FromUtf16(std::u16string_view text) const {
  std::string out;
  for (char32_t c : DecodeUtf16(text)) AppendUtf8(out, c);
  return out;
}

std::optional<std::string> Utf8Codec::ToUtf8(std::string_view bytes) const {
  if (!DecodeUtf8(bytes)) return std::nullopt;
  return std::string(bytes);
}

const Utf8Codec& Utf8Codec::Instance() {
  static const Utf8Codec codec;
  return codec;
}

}  // namespace hvt
