#include <gtest/gtest.h>

#include "link/Frame.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

using testing::B;
using testing::Bytes;

TEST(FrameTest, BuildsStxTextEtxCheck) {
  EXPECT_EQ(BuildFrame("QA"), B({0x02, 0x51, 0x41, 0x03, 0x13}));
  EXPECT_EQ(BuildFrame("CA"), B({0x02, 0x43, 0x41, 0x03, 0x01}));
  EXPECT_EQ(BuildFrame(""), B({0x02, 0x03, 0x03}));
  EXPECT_EQ(BuildFrame(std::string(300, 'a')).size(), 254u);
  EXPECT_TRUE(BuildFrame(std::string("A\x03G", 3)).empty());
}

TEST(FrameTest, ReadsAFrameInAnyPieces) {
  const Bytes frame = BuildFrame("AH12/3/150/90/1/7");
  for (size_t split = 0; split <= frame.size(); ++split) {
    FrameReader reader;
    FrameStatus status = FrameStatus::NeedMore;
    for (size_t i = 0; i < split; ++i) status = reader.Feed(frame[i]);
    if (split < frame.size()) {
      EXPECT_EQ(status, FrameStatus::NeedMore) << split;
      for (size_t i = split; i < frame.size(); ++i) status = reader.Feed(frame[i]);
    }
    EXPECT_EQ(status, FrameStatus::Complete);
    EXPECT_EQ(reader.text(), "AH12/3/150/90/1/7");
  }
}

TEST(FrameTest, StopsAtTheEndOfTheFirstFrame) {
  Bytes twice = BuildFrame("AG00");
  const Bytes second = BuildFrame("AG11");
  twice.insert(twice.end(), second.begin(), second.end());
  std::string text;
  size_t used = 0;
  EXPECT_EQ(ReadFrame(twice, text, &used), FrameStatus::Complete);
  EXPECT_EQ(text, "AG00");
  EXPECT_EQ(used, 7u);
  // Further bytes do not change a finished reader.
  FrameReader reader;
  for (uint8_t b : twice) reader.Feed(b);
  EXPECT_EQ(reader.Status(), FrameStatus::Complete);
  EXPECT_EQ(reader.text(), "AG00");
}

TEST(FrameTest, RefusesGarbledFrames) {
  std::string text = "x";
  EXPECT_EQ(ReadFrame(B("AG00"), text), FrameStatus::NoStx);
  EXPECT_EQ(text, "");

  Bytes bad = BuildFrame("AG00");
  bad[2] ^= 0x01;
  EXPECT_EQ(ReadFrame(bad, text), FrameStatus::BadCheck);

  Bytes truncated = BuildFrame("AG00");
  truncated.pop_back();
  EXPECT_EQ(ReadFrame(truncated, text), FrameStatus::NeedMore);

  // Text bytes may be anything but ETX, STX included.
  Bytes inner{kStx, kStx, 'A', kEtx};
  inner.push_back(kStx ^ 'A' ^ kEtx);
  EXPECT_EQ(ReadFrame(inner, text), FrameStatus::Complete);
  EXPECT_EQ(text, std::string("\x02"
                              "A"));
}

TEST(FrameTest, LengthLimitCountsTextBytes) {
  Bytes frame{kStx};
  frame.insert(frame.end(), 4, 'x');
  std::string text;
  Bytes closed = frame;
  closed.push_back(kEtx);
  closed.push_back(BlockCheck("xxxx"));
  EXPECT_EQ(ReadFrame(closed, text, nullptr, 4), FrameStatus::Complete);
  frame.push_back('x');
  size_t used = 0;
  EXPECT_EQ(ReadFrame(frame, text, &used, 4), FrameStatus::TooLong);
  EXPECT_EQ(used, 6u);
}

}  // namespace
}  // namespace hvt
