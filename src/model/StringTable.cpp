#include "model/StringTable.h"

#include <algorithm>
#include <atomic>

namespace hvt {
namespace {

struct Entry {
  int id;
  const char* text;
};

// Rows sorted by ID.
constexpr Entry kEnglish[] = {
#include "model/strings_en.inc"
};

// Shift-JIS bytes, written as escapes (the comments give the text).
constexpr Entry kJapanese[] = {
#include "model/strings_ja.inc"
};

std::atomic<Language> currentLanguage{Language::English};

// One std::string per row, built once, so callers may keep references.
// Never destroyed: the exit-time stop of the instrument runs after static
// destructors and still names its commands through this table.
class Table {
 public:
  template <size_t N>
  explicit Table(const Entry (&rows)[N]) {
    for (const Entry& e : rows) {
      ids.push_back(e.id);
      texts.emplace_back(e.text);
    }
  }
  const std::string* Find(int id) const {
    auto it = std::lower_bound(ids.begin(), ids.end(), id);
    if (it == ids.end() || *it != id) return nullptr;
    return &texts[static_cast<size_t>(it - ids.begin())];
  }
  std::vector<int> ids;
  std::vector<std::string> texts;
};

const Table& TableOf(Language language) {
  static const Table* const english = new Table(kEnglish);
  static const Table* const japanese = new Table(kJapanese);
  return language == Language::Japanese ? *japanese : *english;
}

}  // namespace

void StringTable::SetLanguage(Language language) { currentLanguage = language; }

Language StringTable::CurrentLanguage() { return currentLanguage; }

const std::string* StringTable::Find(Language language, int id) {
  return TableOf(language).Find(id);
}

const std::string& StringTable::Text(int id) {
  static const std::string* const empty = new std::string;
  if (currentLanguage == Language::Japanese) {
    if (const std::string* s = TableOf(Language::Japanese).Find(id)) return *s;
  }
  if (const std::string* s = TableOf(Language::English).Find(id)) return *s;
  return *empty;
}

std::vector<int> StringTable::Ids(Language language) { return TableOf(language).ids; }

std::string FormatText(const std::string& format, const std::string& value) {
  std::string out = format;
  for (const char* placeholder : {"%d", "%s", "%1"}) {
    if (const size_t at = out.find(placeholder); at != std::string::npos) {
      out.replace(at, 2, value);
      break;
    }
  }
  return out;
}

}  // namespace hvt
