#include <gtest/gtest.h>

#include "model/TextCodec.h"

namespace hvt {
namespace {

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
  const Cp1252Codec& codec = Cp1252Codec::Instance();
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const auto utf8 = codec.ToUtf8(all);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(codec.FromUtf8(*utf8), all);
  EXPECT_EQ(codec.ToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST(Cp1252, RefusesWhatItCannotHold) {
  const Cp1252Codec& codec = Cp1252Codec::Instance();
  EXPECT_EQ(codec.FromUtf8("\xE3\x81\x82"), std::nullopt);  // Hiragana
  EXPECT_EQ(codec.FromUtf8("\xC3"), std::nullopt);          // cut short
  EXPECT_EQ(codec.FromUtf8("\xC0\x80"), std::nullopt);      // overlong
  EXPECT_EQ(codec.FromUtf8("\xED\xA0\x80"), std::nullopt);  // surrogate
  EXPECT_EQ(codec.FromUtf16(u"\u20ac\u3042"), "\x80?");
}

}  // namespace
}  // namespace hvt
