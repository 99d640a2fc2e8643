#include "ui/TemplateText.h"

#include <map>
#include <utility>

#include "model/StringTable.h"

namespace hvt {

namespace {

struct JapaneseText {
  int resource;
  int id;
  const char* text;  // UTF-8
};

// The Japanese templates' texts (UTF-8; these never reach a file).
constexpr JapaneseText kJapanese[] = {
#include "ui/templates_ja.inc"
};

}  // namespace

QString TemplateText(int resource, int id, const char* english) {
  if (StringTable::CurrentLanguage() == Language::Japanese) {
    static const std::map<std::pair<int, int>, const char*> table = [] {
      std::map<std::pair<int, int>, const char*> map;
      for (const JapaneseText& entry : kJapanese) map[{entry.resource, entry.id}] = entry.text;
      return map;
    }();
    const auto found = table.find({resource, id});
    if (found != table.end()) return QString::fromUtf8(found->second);
  }
  return QString::fromUtf8(english);
}

}  // namespace hvt
