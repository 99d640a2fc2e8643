#pragma once

#include <string>
#include <vector>

#include "model/TextId.h"

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

// The text of a named ID in the current language.
inline const std::string& LoadString(TextId id) { return StringTable::Text(static_cast<int>(id)); }

// A message with its first placeholder ("%d", "%s" or "%1") replaced.
std::string FormatText(const std::string& format, const std::string& value);

}  // namespace hvt
