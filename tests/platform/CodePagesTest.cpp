#include <gtest/gtest.h>

#include "model/StringTable.h"
#include "platform/CodePages.h"

namespace hvt {
namespace {

TEST(CodePages, ShiftJisBothWays) {
  const auto codec = MakeCodec(932);
  ASSERT_TRUE(codec);
  // "三角波" in Shift-JIS and UTF-8.
  const std::string sjis = "\x8eO\x8ap\x94g";
  const std::string utf8 = "\xE4\xB8\x89\xE8\xA7\x92\xE6\xB3\xA2";
  EXPECT_EQ(codec->ToUtf8(sjis), utf8);
  EXPECT_EQ(codec->FromUtf8(utf8), sjis);
  EXPECT_EQ(codec->FromUtf16(u"\u4e09\u89d2\u6ce2"), sjis);
  EXPECT_EQ(codec->ToUtf8("\x82"), std::nullopt);  // a lead byte alone
  EXPECT_EQ(codec->FromUtf8("\xC3\xA9"), std::nullopt);  // é has no place in 932
  EXPECT_EQ(codec->FromUtf16(u"A\u00e9\xD800"), "A??");
}

TEST(CodePages, JapaneseTableIsValidShiftJis) {
  const auto codec = MakeCodec(932);
  for (int id : StringTable::Ids(Language::Japanese)) {
    const std::string* text = StringTable::Find(Language::Japanese, id);
    ASSERT_TRUE(text);
    EXPECT_TRUE(codec->ToUtf8(*text)) << id;
  }
  EXPECT_EQ(codec->ToUtf8(*StringTable::Find(Language::Japanese, 1001)),
            "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
}

TEST(CodePages, OnlyKnownCodePages) {
  EXPECT_TRUE(MakeCodec(1252));
  EXPECT_FALSE(MakeCodec(65001));
}

}  // namespace
}  // namespace hvt
