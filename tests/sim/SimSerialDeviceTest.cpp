#include <gtest/gtest.h>

#include "sim/SimSerialDevice.h"
#include "link/CRsBasicProtocol.h"

namespace hvt::sim {
namespace {

// A clock that moves only when slept on, started just short of the tick
// count's wrap so that every test also crosses it.
struct SteppedClock : Clock {
  uint32_t tick = 0xFFFFF000u;
  uint32_t TickCount() override { return tick; }
  void Sleep(uint32_t ms) override { tick += ms; }
};

struct Rig {
  Rig()
      : device(clock, Options()), protocol(device, clock, [](int) { return std::string("sim"); }) {
    EXPECT_TRUE(protocol.OpenPort(1));
  }
  static InstrumentOptions Options() {
    InstrumentOptions o;
    o.identity = "BUILT-IN HVT-KP V1.00";
    return o;
  }
  SteppedClock clock;
  SimSerialDevice device;
  CRsBasicProtocol protocol;
};

TEST(SimSerialDevice, AnswersThroughTheProtocolAndKeepsTimeWithTheClock) {
  Rig rig;
  ASSERT_TRUE(rig.protocol.Query("QA"));
  EXPECT_EQ(rig.protocol.GetAnswer(), "BUILT-IN HVT-KP V1.00");
  // A 2 s injection, 1 s interval unit; then the test runs on the clock.
  ASSERT_TRUE(rig.protocol.SendCommand("PD0/100/0/0/20/0/0/1/0/3/0/4/2/1/1"));
  ASSERT_TRUE(rig.protocol.SendCommand("CA"));
  EXPECT_TRUE(rig.device.Instrument().Running());
  rig.clock.Sleep(1500);
  ASSERT_TRUE(rig.protocol.Query("QG"));
  EXPECT_TRUE(rig.device.Instrument().Running());
  rig.clock.Sleep(4000);
  ASSERT_TRUE(rig.protocol.Query("QG"));
  EXPECT_FALSE(rig.device.Instrument().Running());
  EXPECT_EQ(rig.device.NowMs(), 5500);  // across the tick count's wrap
}

TEST(SimSerialDevice, LateRepliesCostTheirTimeAndALostOneIsPurged) {
  Rig rig;
  rig.device.Line().DelayNextReply(300, 1);
  const uint32_t before = rig.clock.tick;
  ASSERT_TRUE(rig.protocol.Query("QA"));
  EXPECT_GE(static_cast<uint32_t>(rig.clock.tick - before), 300u);

  // Later than a byte may take: the transaction fails, and the stale reply
  // that arrives afterwards does not spoil the next one.
  rig.device.Line().DelayNextReply(700, 1);
  EXPECT_FALSE(rig.protocol.Query("QA"));
  rig.clock.Sleep(1000);
  ASSERT_TRUE(rig.protocol.Query("QA"));
  EXPECT_EQ(rig.protocol.GetAnswer(), "BUILT-IN HVT-KP V1.00");
}

// The protocol waits for each ACK, so a strict instrument takes its frames.
TEST(SimSerialDevice, StrictLineTakesTheProtocolsFrames) {
  Rig rig;
  rig.device.Line().SetStrict(true);
  ASSERT_TRUE(rig.protocol.SendCommand("PC1"));
  EXPECT_TRUE(rig.device.Instrument().LineOn());
  ASSERT_TRUE(rig.protocol.Query("QG"));
  EXPECT_EQ(rig.protocol.GetAnswer(), "AG02");
}

TEST(SimSerialDevice, ClosedPortNeitherSendsNorReceives) {
  Rig rig;
  rig.device.Line().DelayNextReply(200, 1);
  const uint8_t enq = 0x05;
  ASSERT_TRUE(rig.device.Write(&enq, 1, 100));
  rig.protocol.ClosePort();
  EXPECT_FALSE(rig.device.Write(&enq, 1, 100));
  EXPECT_FALSE(rig.device.WaitForBytes(500));
  ASSERT_TRUE(rig.protocol.OpenPort(1));
  EXPECT_EQ(rig.device.BytesPending(), 0u);  // the ACK in flight was lost with the port
  EXPECT_FALSE(rig.device.Open("again"));    // exclusive, like a COM port
}

}  // namespace
}  // namespace hvt::sim
