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
  EXPECT_EQ(LoadString(TextId::DocumentHeader), "HVT-KP4 Remote Control Software Ver2.0.0");
  EXPECT_EQ(LoadString(TextId::UnexpectedFileFormat), "Unexpected file format.");
  EXPECT_EQ(LoadString(TextId::Identification), "AAKARVELO SYSTEMIK, HVT-KP V1.00");
  EXPECT_EQ(LoadString(TextId::OtherModel).back(), ' ');
  EXPECT_EQ(LoadString(TextId::Triangle), "Tri");
  // Command codes 2100..2126 except the two unused IDs.
  for (int id = 2100; id <= 2126; ++id) {
    if (id == 2111 || id == 2114) continue;
    EXPECT_EQ(StringTable::Text(id).size(), 2u) << id;
  }
  EXPECT_EQ(LoadString(TextId::CodeStart), "CA");
  EXPECT_EQ(LoadString(TextId::CodeUnit), "PD");
  EXPECT_EQ(StringTable::Text(99999), "");
}

TEST_F(StringTableTest, JapaneseFallsBackToEnglish) {
  const auto japanese = StringTable::Ids(Language::Japanese);
  EXPECT_TRUE(std::is_sorted(japanese.begin(), japanese.end()));
  const auto english = StringTable::Ids(Language::English);
  for (int id : japanese) {
    EXPECT_TRUE(std::binary_search(english.begin(), english.end(), id)) << id;
  }
  StringTable::SetLanguage(Language::Japanese);
  EXPECT_EQ(LoadString(TextId::Triangle), "\x8eO\x8ap\x94g");  // Shift-JIS bytes
  EXPECT_EQ(LoadString(TextId::DocumentHeader), "HVT-KP4 Remote Control Software Ver2.0.0");
  EXPECT_EQ(LoadString(TextId::SerifFace), "Times New Roman");
  // An ID only the English table has falls back to it; one neither has is empty.
  EXPECT_EQ(StringTable::Find(Language::Japanese, 99999), nullptr);
  EXPECT_EQ(StringTable::Text(99999), "");
}

}  // namespace
}  // namespace hvt
