#include <gtest/gtest.h>

#include <functional>

#include "link/CRsBasicProtocol.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

using testing::B;
using testing::Bytes;

// A raw answer frame, also one longer than the program would ever send.
Bytes AnswerFrame(const std::string& text, bool goodCheck = true) {
  Bytes frame{kStx};
  frame.insert(frame.end(), text.begin(), text.end());
  frame.push_back(kEtx);
  frame.push_back(static_cast<uint8_t>(BlockCheck(text) ^ (goodCheck ? 0 : 0x55)));
  return frame;
}

class ProtocolTest : public ::testing::Test {
 protected:
  ProtocolTest() : device(clock), protocol(device, clock, [](int) { return "/dev/test"; }) {
    EXPECT_TRUE(protocol.OpenPort(1));
    device.onWrite = [this](const Bytes&) {
      if (!script.empty()) {
        const auto [reply, delay] = script.front();
        script.erase(script.begin());
        device.Deliver(reply, delay);
      }
    };
  }
  // Replies of the other end, one per write, each after its delay.
  void Expect(std::vector<std::pair<Bytes, uint32_t>> replies) { script = std::move(replies); }

  testing::VirtualClock clock{1000};
  testing::ScriptedDevice device;
  CRsBasicProtocol protocol;
  std::vector<std::pair<Bytes, uint32_t>> script;
};

TEST_F(ProtocolTest, SetCommandGoesOutByteExact) {
  Expect({{{kAck}, 3}, {{kAck}, 3}});
  EXPECT_TRUE(protocol.SendCommand("CA"));
  EXPECT_EQ(device.written, B({0x05, 0x02, 0x43, 0x41, 0x03, 0x01}));
}

TEST_F(ProtocolTest, AnythingButAckRefusesTheLine) {
  Expect({{{kNak}, 0}});
  EXPECT_FALSE(protocol.SendCommand("CA"));
  EXPECT_EQ(device.written, B({0x05}));
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::Refused);

  device.written.clear();
  Expect({{{kAck}, 0}, {{kNak}, 0}});
  EXPECT_FALSE(protocol.SendCommand("CB"));
  EXPECT_EQ(device.written.size(), 6u);
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::Refused);
}

TEST_F(ProtocolTest, SilentInstrumentFailsAfterHalfASecondWithoutSpinning) {
  for (bool query : {false, true}) {
    const uint32_t start = clock.now;
    device.pendingCalls = 0;
    EXPECT_FALSE(query ? protocol.Query("QA") : protocol.SendCommand("CA"));
    EXPECT_EQ(clock.now - start, 500u);
    EXPECT_EQ(protocol.LastFailure(), LinkFailure::NoAnswer);
    // The wait sleeps in the device instead of polling the queue.
    EXPECT_LE(device.pendingCalls, 4);
  }
}

TEST_F(ProtocolTest, EachAnswerByteHasItsOwnHalfSecond) {
  // The other end answers our ENQ with ACK and our frame with `answer`;
  // our final ACK gets nothing.
  auto answerWith = [this](std::function<void()> answer) {
    device.onWrite = [this, answer](const Bytes& bytes) {
      if (bytes == Bytes{kEnq}) device.Deliver({kAck}, 499);
      if (bytes.front() == kStx) answer();
    };
  };
  // A slow but steady answer: every byte within 500 ms of the one before.
  answerWith([this] {
    uint32_t at = 0;
    for (uint8_t b : AnswerFrame("AG10")) device.Deliver({b}, at += 450);
  });
  EXPECT_TRUE(protocol.Query("QG"));
  EXPECT_EQ(protocol.GetAnswer(), "AG10");
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::None);

  // One gap of 500 ms is a time-out.
  answerWith([this] {
    device.Deliver({kStx, 'A'});
    device.Deliver({'G'}, 500);
  });
  EXPECT_FALSE(protocol.Query("QG"));
  EXPECT_EQ(protocol.GetAnswer(), "");
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::AnswerBrokeOff);

  // The command went through, and then nothing at all came back.
  answerWith([] {});
  EXPECT_FALSE(protocol.Query("QG"));
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::NoAnswer);
}

TEST_F(ProtocolTest, QueryAcknowledgesAGoodAnswerOnly) {
  Expect({{{kAck}, 1}, {AnswerFrame("AAKA"), 2}});
  EXPECT_TRUE(protocol.Query("QA"));
  EXPECT_EQ(protocol.GetAnswer(), "AAKA");
  EXPECT_EQ(device.written, B({0x05, 0x02, 0x51, 0x41, 0x03, 0x13, 0x06}));

  device.written.clear();
  Expect({{{kAck}, 1}, {AnswerFrame("AAKA", false), 2}});
  EXPECT_FALSE(protocol.Query("QA"));
  EXPECT_EQ(protocol.GetAnswer(), "");
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::AnswerGarbled);
  // Nothing after the command frame: no ACK, no NAK.
  EXPECT_EQ(device.written, B({0x05, 0x02, 0x51, 0x41, 0x03, 0x13}));
}

TEST_F(ProtocolTest, AnswersUpTo254BytesAreTaken) {
  const std::string longest(254, 'x');
  Expect({{{kAck}, 0}, {AnswerFrame("A" + longest.substr(1)), 0}});
  EXPECT_TRUE(protocol.Query("QA"));
  EXPECT_EQ(protocol.GetAnswer().size(), 254u);

  Expect({{{kAck}, 0}, {AnswerFrame(longest + "y"), 0}});
  EXPECT_FALSE(protocol.Query("QA"));
  EXPECT_EQ(protocol.GetAnswer(), "");
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::AnswerGarbled);
}

TEST_F(ProtocolTest, AnswerMustStartWithStx) {
  Expect({{{kAck}, 0}, {B("AG00"), 0}});
  EXPECT_FALSE(protocol.Query("QG"));
  EXPECT_EQ(device.written.back(), BlockCheck("QG"));  // ends with our frame
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::AnswerGarbled);
}

TEST_F(ProtocolTest, StrayBytesBeforeATransactionArePurged) {
  device.Deliver(B("junk\x06\x02"));
  Expect({{{kAck}, 0}, {AnswerFrame("AG00"), 0}});
  EXPECT_TRUE(protocol.Query("QG"));
  EXPECT_EQ(protocol.GetAnswer(), "AG00");
  EXPECT_EQ(device.written.front(), kEnq);
}

TEST_F(ProtocolTest, LineThatKeepsSendingFailsInThePurge) {
  device.babble = true;
  const uint32_t start = clock.now;
  EXPECT_FALSE(protocol.SendCommand("CA"));
  EXPECT_TRUE(device.written.empty());
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::InputKeptComing);
  EXPECT_GT(clock.now - start, 500u);
  EXPECT_LT(clock.now - start, 520u);
}

TEST_F(ProtocolTest, LongTextIsCutTo251Characters) {
  Expect({{{kAck}, 0}, {{kAck}, 0}});
  const std::string text(300, 'P');
  EXPECT_TRUE(protocol.SendCommand(text));
  ASSERT_EQ(device.written.size(), 1u + 254u);
  EXPECT_EQ(protocol.LastFrame().size(), 254u);
  EXPECT_EQ(device.written[1 + 252], kEtx);
  EXPECT_EQ(device.written[1 + 253], BlockCheck(text.substr(0, 251)));
}

TEST_F(ProtocolTest, TextWithEtxIsNotSent) {
  EXPECT_FALSE(protocol.SendCommand(std::string("C\x03", 2)));
  EXPECT_TRUE(device.written.empty());
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::NotFramed);
}

TEST_F(ProtocolTest, TickCounterWrapDoesNotDisturbTimeOuts) {
  clock.now = 0xFFFFFF00u;
  Expect({{{kAck}, 200}, {AnswerFrame("AG00"), 200}});
  EXPECT_TRUE(protocol.Query("QG"));
  const uint32_t start = clock.now;
  EXPECT_FALSE(protocol.Query("QG"));
  EXPECT_EQ(clock.now - start, 500u);
}

TEST_F(ProtocolTest, FailedWriteEndsTheTransaction) {
  device.failWrites = true;
  EXPECT_FALSE(protocol.SendCommand("CA"));
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::WriteFailed);
  EXPECT_FALSE(protocol.Query("QA"));
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::WriteFailed);

  // Only the acknowledgement of a good answer fails: the answer stays.
  device.failWrites = false;
  device.onWrite = [this](const Bytes& bytes) {
    if (bytes == Bytes{kEnq}) device.Deliver({kAck});
    if (bytes.size() > 1) {
      device.Deliver(AnswerFrame("AG00"));
      device.failWrites = true;
    }
  };
  EXPECT_FALSE(protocol.Query("QG"));
  EXPECT_EQ(protocol.GetAnswer(), "AG00");
  EXPECT_EQ(protocol.LastFailure(), LinkFailure::WriteFailed);
}

TEST(ProtocolPortTest, ConstructionSetsTheInstrumentsLineAndDestructionCloses) {
  testing::VirtualClock clock;
  testing::ScriptedDevice device(clock);
  {
    CRsBasicProtocol protocol(device, clock, [](int) { return "/dev/test"; });
    EXPECT_EQ(protocol.Port().Format(), (LineFormat{9600, 8, 0, 0}));
    EXPECT_TRUE(protocol.OpenPort(4));
    EXPECT_EQ(protocol.Port().CurrentPort(), 4);
  }
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.calls.back(), "close");
}

}  // namespace
}  // namespace hvt
