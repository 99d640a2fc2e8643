#include <gtest/gtest.h>

#include "model/Archive.h"
#include "model/TextCodec.h"

namespace hvt {
namespace {

const TextCodec& codec = Cp1252Codec::Instance();

std::string Encoded(size_t length) {
  ArchiveWriter w;
  w.WriteText(std::string(length, 'x'));
  return w.bytes();
}

TEST(ArchiveText, LengthPrefixFormsAtTheirBoundaries) {
  EXPECT_EQ(Encoded(0), std::string(1, '\0'));
  EXPECT_EQ(Encoded(254).substr(0, 1), "\xFE");
  EXPECT_EQ(Encoded(254).size(), 1u + 254);
  EXPECT_EQ(Encoded(255).substr(0, 3), std::string("\xFF\xFF\x00", 3));
  EXPECT_EQ(Encoded(65533).substr(0, 3), std::string("\xFF\xFD\xFF", 3));
  // 65534 would collide with the 16-bit marker, so it takes the long form.
  EXPECT_EQ(Encoded(65534).substr(0, 7), std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7));
  EXPECT_EQ(Encoded(65535).substr(0, 7), std::string("\xFF\xFF\xFF\xFF\xFF\x00\x00", 7));
  EXPECT_EQ(Encoded(70000).size(), 7u + 70000);

  for (size_t length : {0, 1, 254, 255, 256, 65533, 65534, 65535, 70000}) {
    const std::string bytes = Encoded(length);
    ArchiveReader r(bytes, codec);
    std::string text;
    ASSERT_TRUE(r.ReadText(text)) << length;
    EXPECT_EQ(text, std::string(length, 'x'));
    EXPECT_EQ(r.remaining(), 0u);
  }
}

TEST(ArchiveText, SixteenBitStringsBecomeCodePageText) {
  // Marker 0xFF 0xFFFE, then a one-byte count of UTF-16 units.
  const std::string wide(
      "\xFF\xFE\xFF\x03"
      "A\x00"
      "\xE9\x00"
      "\xAC\x20",
      10);
  ArchiveReader r(wide, codec);
  std::string text;
  ASSERT_TRUE(r.ReadText(text));
  EXPECT_EQ(text, "A\xE9\x80");  // U+20AC is 0x80 in Windows-1252

  // A long 16-bit string: marker, then 0xFF + u16 count.
  std::string longWide("\xFF\xFE\xFF\xFF\x2C\x01", 6);
  for (int i = 0; i < 300; ++i) longWide += std::string("B\x00", 2);
  ArchiveReader r2(longWide, codec);
  ASSERT_TRUE(r2.ReadText(text));
  EXPECT_EQ(text, std::string(300, 'B'));

  // Characters the code page lacks and a lone surrogate become '?'.
  const std::string odd(
      "\xFF\xFE\xFF\x02"
      "\x42\x30"
      "\x00\xD8",
      8);
  ArchiveReader r3(odd, codec);
  ASSERT_TRUE(r3.ReadText(text));
  EXPECT_EQ(text, "??");
}

TEST(ArchiveText, PrefixesLongerThanTheDataFailWithoutAllocating) {
  for (const std::string& bytes : {
           std::string("\x05"
                       "abc",
                       4),
           std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7),  // 2 GiB claimed
           std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7),  // 64-bit length follows, cut
           std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 15),
           std::string("\xFF\xFE\xFF\x03"
                       "A\x00"
                       "B",
                       7),  // odd half of a wide string
           std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10),  // huge wide string
           std::string("\xFF\xFE", 2),
       }) {
    ArchiveReader r(bytes, codec);
    std::string text = "kept";
    EXPECT_FALSE(r.ReadText(text));
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(text, "kept");
  }
}

TEST(ArchiveNumbers, LittleEndianAndStickyFailure) {
  ArchiveWriter w;
  w.WriteInt32(-2);
  w.WriteU16(0x1234);
  EXPECT_EQ(w.bytes(), std::string("\xFE\xFF\xFF\xFF\x34\x12", 6));

  const std::string cut = w.bytes().substr(0, 5);
  ArchiveReader r(cut, codec);
  int32_t i = 0;
  uint16_t u = 7;
  EXPECT_TRUE(r.ReadInt32(i));
  EXPECT_EQ(i, -2);
  EXPECT_FALSE(r.ReadU16(u));
  EXPECT_EQ(u, 7);
  EXPECT_FALSE(r.ReadInt32(i));  // stays failed
}

}  // namespace
}  // namespace hvt
