#include <gtest/gtest.h>

#include "sim/SimLog.h"
#include "link/Frame.h"

namespace hvt::sim {
namespace {

class FrameLogTest : public ::testing::Test {
 protected:
  void Bytes(char direction, const std::vector<uint8_t>& bytes, double at) {
    for (uint8_t b : bytes) log.Byte(direction, b, at);
    log.EndBatch(direction);
  }

  std::vector<std::string> lines;
  FrameLog log{[this](const std::string& line) { lines.push_back(line); }};
};

TEST_F(FrameLogTest, OneLinePerFrameAndPerControlByte) {
  Bytes('<', {kEnq}, 0.5);
  Bytes('>', {kAck}, 0.501);
  Bytes('<', BuildFrame("CA"), 0.502);
  Bytes('>', {kNak}, 0.503);
  Bytes('<', {0x04}, 0.504);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "    0.500000 < 05 | <ENQ>");
  EXPECT_EQ(lines[1], "    0.501000 > 06 | <ACK>");
  EXPECT_EQ(lines[2], "    0.502000 < 02 43 41 03 01 | <STX>CA<ETX>.");
  EXPECT_EQ(lines[3], "    0.503000 > 15 | <NAK>");
  EXPECT_EQ(lines[4], "    0.504000 < 04 | <EOT>");
}

TEST_F(FrameLogTest, FrameSpreadOverManyWritesIsOneLineAtItsLastByte) {
  const std::vector<uint8_t> frame = BuildFrame("AG21");
  double t = 1.0;
  for (uint8_t b : frame) {
    Bytes('>', {b}, t);
    t += 0.001;
  }
  // The program's ACK in between belongs to the other direction.
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 14), "    1.006000 >");
  EXPECT_NE(lines[0].find("| <STX>AG21<ETX>"), std::string::npos);
}

TEST_F(FrameLogTest, BlockCheckIsNeverAControlName) {
  Bytes('<', {kStx, 'A', 'C', kEtx, 'A' ^ 'C' ^ kEtx}, 2.0);
  Bytes('<', {kStx, 'E', kEtx, 'E' ^ kEtx}, 2.1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "    2.000000 < 02 41 43 03 01 | <STX>AC<ETX>.");
  EXPECT_EQ(lines[1], "    2.100000 < 02 45 03 46 | <STX>E<ETX>F");
  lines.clear();
  Bytes('<', {kStx, 0x05, kEtx, 0x06}, 2.2);  // a check byte of 06
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "    2.200000 < 02 05 03 06 | <STX><ENQ><ETX>.");
}

TEST_F(FrameLogTest, StrayBytesAndCutFrames) {
  // Noise ahead of a transaction is one line, ended by the ENQ.
  for (int b : {0x5A, 0x5A, 0x80}) log.Byte('>', static_cast<uint8_t>(b), 3.0);
  log.Byte('>', kEnq, 3.1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "    3.000000 > 5A 5A 80 | ZZ.");
  EXPECT_EQ(lines[1], "    3.100000 > 05 | <ENQ>");
  // Noise at the end of a batch is written with the batch.
  Bytes('<', {'x', 'y'}, 3.2);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "    3.200000 < 78 79 | xy");
  // A frame that never ends is written when the log closes.
  Bytes('<', {kStx, 'Q', 'A'}, 3.3);
  EXPECT_EQ(lines.size(), 3u);
  log.Flush();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "    3.300000 < 02 51 41 | <STX>QA");
  // Endless text without ETX is cut into lines of bounded length.
  lines.clear();
  log.Byte('<', kStx, 4.0);
  for (int i = 0; i < 1000; ++i) log.Byte('<', 'T', 4.0);
  log.Flush();
  EXPECT_EQ(lines.size(), 4u);
}

}  // namespace
}  // namespace hvt::sim
