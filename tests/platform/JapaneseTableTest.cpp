#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "model/StringTable.h"
#include "platform/CodePages.h"
#include "platform/SystemLanguage.h"

namespace hvt {
namespace {

// Texts the Japanese edition shares with the English one: what files and the
// instrument compare, the instrument's codes, and the report's texts.
const std::set<int>& SameInBothLanguages() {
  static const std::set<int> ids = [] {
    std::set<int> s{129,  130,  133,  1000, 2005, 2006, 2013, 3000, 3001, 3050, 3051, 3062,
                    3066, 3070, 3073, 3076, 3080, 3083, 3116, 3117, 4000, 6019, 57344};
    for (int id = 2100; id <= 2126; ++id) s.insert(id);
    return s;
  }();
  return ids;
}

std::string Utf8(const std::string& cp932) {
  static const auto codec = MakeCodec(932);
  return codec->ToUtf8(cp932).value_or("<not code page 932>");
}

// printf conversions in order ("%s", "%2d", "%ld", "%%") and MFC's
// numbered inserts ("%1") as a set.
std::vector<std::string> Placeholders(const std::string& utf8) {
  static const std::regex printf(R"(%[-+ #0]*[0-9]*(?:\.[0-9]+)?(?:l|ll|h)?[diouxXcs%]|%[1-9])");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(utf8.begin(), utf8.end(), printf);
       it != std::sregex_iterator(); ++it) {
    found.push_back(it->str());
  }
  return found;
}

TEST(JapaneseTable, HasEveryEnglishIdWithTheSamePlaceholders) {
  std::vector<int> missing;
  std::vector<std::string> mismatched;
  for (int id : StringTable::Ids(Language::English)) {
    const std::string* japanese = StringTable::Find(Language::Japanese, id);
    if (!japanese) {
      missing.push_back(id);
      continue;
    }
    const std::string& english = *StringTable::Find(Language::English, id);
    if (Placeholders(english) != Placeholders(Utf8(*japanese))) {
      mismatched.push_back(std::to_string(id) + ": " + Utf8(*japanese));
    }
  }
  EXPECT_EQ(missing, std::vector<int>{}) << "IDs without a Japanese text";
  EXPECT_EQ(mismatched, std::vector<std::string>{}) << "placeholders differ from the English";
}

TEST(JapaneseTable, EveryEntryIsCleanCodePage932) {
  const auto codec = MakeCodec(932);
  for (int id : StringTable::Ids(Language::Japanese)) {
    const std::string& bytes = *StringTable::Find(Language::Japanese, id);
    const auto utf8 = codec->ToUtf8(bytes);
    ASSERT_TRUE(utf8.has_value()) << id;
    // No replacement characters, and back to the very same bytes.
    EXPECT_EQ(utf8->find("\xEF\xBF\xBD"), std::string::npos) << id;
    EXPECT_EQ(codec->FromUtf8(*utf8), bytes) << id;
  }
}

TEST(JapaneseTable, KeepsWhatFilesInstrumentsAndReportsCompare) {
  for (int id : SameInBothLanguages()) {
    const std::string* english = StringTable::Find(Language::English, id);
    if (!english) continue;  // the unused command IDs 2111 and 2114
    const std::string* japanese = StringTable::Find(Language::Japanese, id);
    ASSERT_NE(japanese, nullptr) << id;
    EXPECT_EQ(*japanese, *english) << id;
  }
  EXPECT_EQ(Utf8(*StringTable::Find(Language::Japanese, 3010)), "三角波");
  EXPECT_EQ(Utf8(*StringTable::Find(Language::Japanese, 1001)), "ＭＳ ゴシック");
  EXPECT_EQ(Utf8(*StringTable::Find(Language::Japanese, 1003)), "ＭＳ Ｐ明朝");
  // Everything the operator reads is Japanese: no other text left English.
  std::vector<int> untranslated;
  for (int id : StringTable::Ids(Language::English)) {
    const std::string* japanese = StringTable::Find(Language::Japanese, id);
    if (SameInBothLanguages().count(id) || !japanese) continue;
    if (*japanese == *StringTable::Find(Language::English, id)) untranslated.push_back(id);
  }
  // "ms" is Japanese usage too, and CAP, NUM and SCRL are the key tops' names.
  EXPECT_EQ(untranslated, (std::vector<int>{3008, 59137, 59138, 59139}));
}

TEST(SystemLanguage, FollowsTheLocaleOfMessagesUnlessOverridden) {
  auto with = [](std::map<std::string, std::string> env) {
    return LanguageFromEnvironment([env](const char* name) -> const char* {
      auto it = env.find(name);
      return it == env.end() ? nullptr : it->second.c_str();
    });
  };
  EXPECT_EQ(with({}), Language::English);
  EXPECT_EQ(with({{"LANG", "ja_JP.UTF-8"}}), Language::Japanese);
  EXPECT_EQ(with({{"LANG", "ja_JP.eucJP"}}), Language::Japanese);
  EXPECT_EQ(with({{"LANG", "ja"}}), Language::Japanese);
  EXPECT_EQ(with({{"LANG", "jv_ID.UTF-8"}}), Language::English);  // Javanese is not ja
  EXPECT_EQ(with({{"LANG", "en_US.UTF-8"}}), Language::English);
  // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
  EXPECT_EQ(with({{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "C"}}), Language::English);
  EXPECT_EQ(with({{"LANG", "C"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}), Language::Japanese);
  EXPECT_EQ(with({{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LC_ALL", "C.UTF-8"}}), Language::English);
  EXPECT_EQ(with({{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}), Language::Japanese);
  // The override wins; a value it does not know is passed over.
  EXPECT_EQ(with({{"LANG", "ja_JP.UTF-8"}, {"HVT_LANGUAGE", "en"}}), Language::English);
  EXPECT_EQ(with({{"LANG", "C"}, {"HVT_LANGUAGE", "JA"}}), Language::Japanese);
  EXPECT_EQ(with({{"LANG", "ja_JP.UTF-8"}, {"HVT_LANGUAGE", "fr"}}), Language::Japanese);
  EXPECT_EQ(ParseLanguage("japanese"), Language::Japanese);
  EXPECT_EQ(ParseLanguage("de"), std::nullopt);
}

}  // namespace
}  // namespace hvt
