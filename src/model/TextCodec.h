#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hvt {

// Converts between the document's 8-bit code page and Unicode.
class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual int CodePage() const = 0;
  // UTF-16 to code page bytes. Characters the code page lacks become '?';
  // ill-formed input (lone surrogates) never fails, it becomes '?' too.
  virtual std::string FromUtf16(std::u16string_view text) const = 0;
  // Code page bytes to UTF-8; nullopt when the bytes are not valid text.
  virtual std::optional<std::string> ToUtf8(std::string_view bytes) const = 0;
  // UTF-8 to code page bytes; nullopt when a character cannot be represented
  // or the UTF-8 is malformed.
  virtual std::optional<std::string> FromUtf8(std::string_view utf8) const = 0;
};

// Windows-1252, complete in the core. The five bytes that the code page
// leaves undefined map to the C1 controls of the same value, as Windows does,
// so every byte string survives a round trip.
class Cp1252Codec final : public TextCodec {
 public:
  int CodePage() const override { return 1252; }
  std::string FromUtf16(std::u16string_view text) const override;
  std::optional<std::string> ToUtf8(std::string_view bytes) const override;
  std::optional<std::string> FromUtf8(std::string_view utf8) const override;

  static const Cp1252Codec& Instance();
};

// UTF-8 itself, for texts that are Unicode already (a run's journal). Only
// well-formed UTF-8 passes; lone surrogates become U+FFFD.
class Utf8Codec final : public TextCodec {
 public:
  int CodePage() const override { return 65001; }
  std::string FromUtf16(std::u16string_view text) const override;
  std::optional<std::string> ToUtf8(std::string_view bytes) const override;
  std::optional<std::string> FromUtf8(std::string_view utf8) const override { return ToUtf8(utf8); }

  static const Utf8Codec& Instance();
};

// UTF-8 helpers shared by codecs.
void AppendUtf8(std::string& out, char32_t c);
// Decodes UTF-8 strictly; nullopt on malformed input.
std::optional<std::u32string> DecodeUtf8(std::string_view utf8);
// Decodes UTF-16, replacing lone surrogates with U+FFFD.
std::u32string DecodeUtf16(std::u16string_view text);

}  // namespace hvt
