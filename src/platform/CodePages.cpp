#include "platform/CodePages.h"

#include <cerrno>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace hvt {
namespace {

#ifndef _WIN32
// One conversion through iconv; nullopt when the input is not valid in the
// source encoding or a character has no place in the target one.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::string in(input);
  char* inPtr = in.data();
  size_t inLeft = in.size();
  char buffer[256];
  std::optional<std::string> result;
  for (;;) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, inLeft ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1)) {
      if (inLeft == 0) {
        result = std::move(out);
        break;
      }
      continue;
    }
    if (errno != E2BIG) break;  // EILSEQ or EINVAL: not convertible
  }
  iconv_close(cd);
  return result;
}
#endif

class Cp932Codec final : public TextCodec {
 public:
  int CodePage() const override { return 932; }

  std::string FromUtf16(std::u16string_view text) const override {
    // Character by character, so one that Shift-JIS lacks becomes '?'
    // instead of failing the whole text.
    std::string out;
    for (char32_t c : DecodeUtf16(text)) {
      std::string utf8;
      AppendUtf8(utf8, c);
      if (auto bytes = FromUtf8(utf8)) {
        out += *bytes;
      } else {
        out += '?';
      }
    }
    return out;
  }

#ifdef _WIN32
  std::optional<std::string> ToUtf8(std::string_view bytes) const override {
    if (bytes.empty()) return std::string();
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                        wide.data(), n);
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
  }
  std::optional<std::string> FromUtf8(std::string_view utf8) const override {
    if (utf8.empty()) return std::string();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), n);
    BOOL lossy = FALSE;
    const int m =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0, nullptr, &lossy);
    if (m <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
  }
#else
  std::optional<std::string> ToUtf8(std::string_view bytes) const override {
    return Convert("UTF-8", "CP932", bytes);
  }
  std::optional<std::string> FromUtf8(std::string_view utf8) const override {
    if (!DecodeUtf8(utf8)) return std::nullopt;
    return Convert("CP932", "UTF-8", utf8);
  }
#endif
};

}  // namespace

std::unique_ptr<TextCodec> MakeCodec(int codePage) {
  if (codePage == 1252) return std::make_unique<Cp1252Codec>();
  if (codePage == 932) return std::make_unique<Cp932Codec>();
  return nullptr;
}

}  // namespace hvt
