#include <gtest/gtest.h>

#include <algorithm>

#include "model/StringTable.h"

namespace hvt {
namespace {

class StringTableTest : public ::testing::Test {
 protected:
  void TearDown() override { StringTable::SetLanguage(Language::English); }
};

TEST_F(StringTableTest, EnglishTableIsSortedAndHoldsTheFixedTexts) {
  const auto english = StringTable::Ids(Language::English);
  EXPECT_TRUE(std::is_sorted(english.begin(), english.end()));
  EXPECT_EQ(std::adjacent_find(english.begin(), english.end()), english.end());
  EXPECT_EQ(LoadString(130), "HVT-KP4 Remote Control Software Ver2.0.0");
  EXPECT_EQ(LoadString(61728), "Unexpected file format.");
  EXPECT_EQ(LoadString(6019), "AAKARVELO SYSTEMIK, HVT-KP V1.00");
  EXPECT_EQ(LoadString(4006).back(), ' ');
  EXPECT_EQ(LoadString(3010), "Tri");
  // Command codes 2100..2126 except the two unused IDs.
  for (int id = 2100; id <= 2126; ++id) {
    if (id == 2111 || id == 2114) continue;
    EXPECT_EQ(LoadString(id).size(), 2u) << id;
  }
  EXPECT_EQ(LoadString(2100), "CA");
  EXPECT_EQ(LoadString(2106), "PD");
  EXPECT_EQ(LoadString(99999), "");
}

TEST_F(StringTableTest, JapaneseFallsBackToEnglish) {
  const auto japanese = StringTable::Ids(Language::Japanese);
  EXPECT_TRUE(std::is_sorted(japanese.begin(), japanese.end()));
  const auto english = StringTable::Ids(Language::English);
  for (int id : japanese) {
    EXPECT_TRUE(std::binary_search(english.begin(), english.end(), id)) << id;
  }
  StringTable::SetLanguage(Language::Japanese);
  EXPECT_EQ(LoadString(3010), "\x8eO\x8ap\x94g");  // Shift-JIS bytes
  EXPECT_EQ(LoadString(130), "HVT-KP4 Remote Control Software Ver2.0.0");
  EXPECT_EQ(LoadString(1000), "Times New Roman");
  // An ID only the English table has falls back to it; one neither has is empty.
  EXPECT_EQ(StringTable::Find(Language::Japanese, 99999), nullptr);
  EXPECT_EQ(LoadString(99999), "");
}

}  // namespace
}  // namespace hvt
