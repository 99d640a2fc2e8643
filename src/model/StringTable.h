#pragma once

#include <string>
#include <vector>

namespace hvt {

enum class Language { English, Japanese };

// The program's numbered texts. English texts are plain bytes (Windows-1252);
// Japanese texts are Shift-JIS (code page 932) bytes. The Japanese table
// falls back to the English text for any ID it does not carry.
class StringTable {
 public:
  static void SetLanguage(Language language);
  static Language CurrentLanguage();

  // Text of the ID in the current language; empty when no table has it.
  static const std::string& Text(int id);
  // Text of the ID in one table only, without fallback; nullptr if absent.
  static const std::string* Find(Language language, int id);
  static std::vector<int> Ids(Language language);
};

// Shorthand for StringTable::Text.
inline const std::string& LoadString(int id) { return StringTable::Text(id); }

// A message with its first placeholder ("%d", "%s" or "%1") replaced.
std::string FormatText(const std::string& format, const std::string& value);

// IDs used by the model.
namespace ids {
inline constexpr int kDocumentHeader = 130;
inline constexpr int kUnexpectedFileFormat = 61728;
inline constexpr int kNotAPlkDocument = 4002;
inline constexpr int kFileEndsAt = 4007;
inline constexpr int kHeaderReads = 4008;
inline constexpr int kOtherInjectionUnitType = 4003;
inline constexpr int kTriangle = 3010;
inline constexpr int kLineOn = 2005;
inline constexpr int kLineOff = 2006;
}  // namespace ids

}  // namespace hvt
