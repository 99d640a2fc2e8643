#include <gtest/gtest.h>

#include "sim/SimControl.h"
#include "sim/SimInstrument.h"
#include "sim/SimLine.h"
#include "link/Frame.h"

namespace hvt::sim {
namespace {

InstrumentOptions Genuine() {
  InstrumentOptions o;
  o.identity = "AAKARVELO SYSTEMIK, HVT-KP V1.00";
  return o;
}

class SimTest : public ::testing::Test {
 protected:
  std::string Ask(const std::string& text) {
    const Reply r = sim.Handle(text, now);
    if (r.kind == Reply::Ack) return "ACK";
    if (r.kind == Reply::Nak) return "NAK";
    return r.answer;
  }
  // The QH fields that move: injection/interval/voltage/trigger.
  std::string Counters() {
    const std::string h = Ask("QH");
    size_t cut = h.find('/');
    for (int i = 0; i < 2 && cut != std::string::npos; ++i) cut = h.find('/', cut + 1);
    return h.substr(2, cut - 2);
  }
  void At(int64_t ms) {
    now = ms;
    sim.Advance(now);
  }

  SimInstrument sim{Genuine()};
  int64_t now = 0;
};

TEST_F(SimTest, IdentityAndConfiguration) {
  EXPECT_EQ(Ask("QA"), "AAKARVELO SYSTEMIK, HVT-KP V1.00");
  EXPECT_EQ(Ask("QM"), "AM410/3/1/2/4/8/10/16/20/1/");
  EXPECT_EQ(Ask("QO"), "AO");
  InstrumentOptions other = Genuine();
  other.maxVoltage = 205;
  other.injectionUnitType = 1;
  other.triangle = false;
  other.terminator = false;
  SimInstrument small(other);
  EXPECT_EQ(small.Handle("QM", 0).answer, "AM205/1/1/2/4/8/10/16/20/0/");
  EXPECT_EQ(small.Handle("QO", 0).kind, Reply::Nak);
  EXPECT_EQ(Ask("QX"), "NAK");
  EXPECT_EQ(Ask("QAx"), "NAK");
}

TEST_F(SimTest, UnitTextMustHaveFifteenFields) {
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/3/0/4/10000/1/1"), "ACK");
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/?/0/4/10000/1/1"), "ACK");
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/3/0/4/10000/1"), "NAK");
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/3/0/4/10000/1/1/"), "NAK");
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/@/0/4/10000/1/1"), "NAK");
  EXPECT_EQ(Ask("PD0/x/0/0/20/0/0/1/0/3/0/4/10000/1/1"), "NAK");
  EXPECT_EQ(Ask("PD0/1/0/0/20/0/0/1/0/3/0/4/0/1/1"), "NAK");  // no injection time
  EXPECT_EQ(Ask("PE"), "NAK");
  EXPECT_EQ(Ask("CD2"), "NAK");
}

TEST_F(SimTest, FixedUnitCountsDownAndEndsAfterItsInjection) {
  ASSERT_EQ(Ask("PD0/150/0/0/90/0/0/1/0/2/0/4/3/5/1"), "ACK");
  EXPECT_EQ(Ask("QG"), "AG00");
  ASSERT_EQ(Ask("CA"), "ACK");
  EXPECT_EQ(Ask("QG"), "AG90");  // running, asking for a following unit
  EXPECT_EQ(Ask("QH"), "AH3/0/150/90/0/0");
  At(999);
  EXPECT_EQ(Counters(), "3/0/150");
  At(1000);
  EXPECT_EQ(Ask("QH"), "AH2/0/150/90/0/1");
  At(2500);
  EXPECT_EQ(Ask("QH"), "AH1/0/150/90/0/2");
  // No unit follows: the interval of the last injection is not run.
  At(3000);
  EXPECT_EQ(Ask("QG"), "AG00");
  EXPECT_EQ(Counters(), "0/0/150");
  EXPECT_FALSE(sim.NextEventMs());
}

TEST_F(SimTest, VoltageSweepStepsItself) {
  // 100 to 200 in steps of 50, 2 s injection, 1 s interval.
  ASSERT_EQ(Ask("PD1/100/200/50/0/1/1/0/0/2/0/4/2/1/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  std::vector<std::string> seen;
  for (int64_t t = 0; t <= 9000; t += 500) {
    At(t);
    const std::string c = Counters();
    if (seen.empty() || seen.back() != c) seen.push_back(c);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"2/0/100", "1/0/100", "0/1/100", "2/0/150", "1/0/150",
                                            "0/1/150", "2/0/200", "1/0/200", "0/0/200"}));
  EXPECT_EQ(Ask("QG"), "AG00");
}

TEST_F(SimTest, TwoLevelSweepFollowsTheOrder) {
  // Voltage 100..200 by 100 outer, phase 0..90 by 90 inner, 1 s each, no
  // interval.
  ASSERT_EQ(Ask("PD3/100/200/100/0/90/90/1/0/2/0/4/1/0/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  std::vector<std::string> points;
  for (int64_t t = 0; t < 6000; t += 1000) {
    At(t);
    points.push_back(Ask("QH").substr(Ask("QH").find('/', 4) + 1));
  }
  EXPECT_EQ(points[0].substr(0, 6), "100/0/");
  EXPECT_EQ(points[1].substr(0, 7), "100/90/");
  EXPECT_EQ(points[2].substr(0, 6), "200/0/");
  EXPECT_EQ(points[3].substr(0, 7), "200/90/");
  EXPECT_EQ(Ask("QG"), "AG00");
}

TEST_F(SimTest, NextEndsAnEndlessPhase) {
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/3/0/4/10000/1000/1"), "ACK");
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/3/0/4/10000/1000/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  At(60000);
  EXPECT_EQ(Counters(), "10000/0/100");
  // A pending unit makes the endless interval run before it.
  ASSERT_EQ(Ask("PD0/120/0/0/20/0/0/1/0/3/0/4/2/0/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  EXPECT_EQ(Counters(), "0/1000/100");
  At(90000);
  EXPECT_EQ(Counters(), "0/1000/100");
  ASSERT_EQ(Ask("CA"), "ACK");
  EXPECT_EQ(Counters(), "2/0/120");
  EXPECT_EQ(Ask("QH").back(), '0');
}

TEST_F(SimTest, PauseFreezesTheClock) {
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/3/0/4/5/0/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  At(1500);
  ASSERT_EQ(Ask("CD1"), "ACK");
  EXPECT_EQ(Ask("QG"), "AG=0");  // running, paused, request
  At(20000);
  EXPECT_EQ(Counters(), "4/0/100");
  ASSERT_EQ(Ask("CD0"), "ACK");
  At(20499);
  EXPECT_EQ(Counters(), "4/0/100");
  At(20500);
  EXPECT_EQ(Counters(), "3/0/100");
}

TEST_F(SimTest, StepCodeRestartsTheSecondsDigit) {
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/3/0/4/100/0/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  At(13000);
  EXPECT_EQ(Ask("QH").back(), '3');
  ASSERT_EQ(Ask("PI10"), "ACK");
  EXPECT_EQ(Ask("QH").back(), '0');
  At(14000);
  EXPECT_EQ(Ask("QH").back(), '1');
}

TEST_F(SimTest, SequenceRequestsTheNextUnitAndTogglesOnTheChange) {
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/3/0/4/2/1/1"), "ACK");
  ASSERT_EQ(Ask("CA"), "ACK");
  EXPECT_EQ(Ask("QG")[2], '9');
  ASSERT_EQ(Ask("PD0/300/0/0/20/0/0/1/0/3/0/4/1/0/1"), "ACK");
  EXPECT_EQ(Ask("QG")[2], '1');  // request satisfied
  At(2000);
  EXPECT_EQ(Counters(), "0/1/100");  // the first unit's interval now runs
  At(3000);
  EXPECT_EQ(Counters(), "1/0/300");
  EXPECT_EQ(Ask("QH").substr(Ask("QH").size() - 3, 1), "1");  // unit toggle flipped
  EXPECT_EQ(Ask("QG")[2], '9');
  At(4000);
  EXPECT_EQ(Ask("QG"), "AG00");
}

TEST_F(SimTest, FaultsStopTheTestWithTheirReason) {
  const std::string unit = "PD0/100/0/0/20/0/0/1/0/3/0/4/100/0/1";
  ASSERT_EQ(Ask(unit), "ACK");
  ASSERT_EQ(Ask("PC1"), "ACK");
  EXPECT_EQ(Ask("QC"), "AC1");
  EXPECT_EQ(Ask("QG"), "AG02");
  ASSERT_EQ(Ask("CA"), "ACK");
  sim.RaiseError(4, now);
  EXPECT_EQ(Ask("QG"), "AG21");
  EXPECT_EQ(Ask("QN"), "AN4");
  EXPECT_EQ(Ask("QC"), "AC0");  // an error drops the EUT line
  ASSERT_EQ(Ask("CB"), "ACK");
  EXPECT_EQ(Ask("QG"), "AG00");
  EXPECT_EQ(Ask("QN"), "AN0");

  ASSERT_EQ(Ask("CA"), "ACK");
  sim.ExternalStop(now);
  EXPECT_EQ(Ask("QG"), "AG28");
  ASSERT_EQ(Ask("CA"), "ACK");
  sim.PanelStop(now);
  EXPECT_EQ(Ask("QG"), "AG20");

  ASSERT_EQ(Ask("PC1"), "ACK");
  sim.PanelLineOff(now);
  EXPECT_EQ(Ask("QC"), "AC0");
}

TEST_F(SimTest, LevelsAndSingleShots) {
  ASSERT_EQ(Ask("PD0/100/0/0/20/0/0/1/0/7/0/4/10/0/1"), "ACK");  // 1SHOT on
  ASSERT_EQ(Ask("CA"), "ACK");
  ASSERT_EQ(Ask("PE180"), "ACK");
  ASSERT_EQ(Ask("PF35"), "ACK");
  EXPECT_EQ(Ask("QE"), "AE180");
  EXPECT_EQ(Ask("QF"), "AF35");
  EXPECT_EQ(Counters(), "10/0/180");
  ASSERT_EQ(Ask("CC"), "ACK");
  ASSERT_EQ(Ask("CC"), "ACK");
  EXPECT_EQ(sim.Shots(), 2);
}

// The wire side: bytes in, bytes out.
class SimLineTest : public ::testing::Test {
 protected:
  std::vector<uint8_t> Send(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) line.Receive(b, now);
    std::vector<uint8_t> out;
    for (const auto& o : line.Output()) out.push_back(o.byte);
    line.Output().clear();
    return out;
  }
  std::vector<uint8_t> Transaction(const std::string& text) {
    auto out = Send({kEnq});
    if (out != std::vector<uint8_t>{kAck}) return out;
    return Send(BuildFrame(text));
  }

  SimInstrument sim{Genuine()};
  SimLine line{sim};
  int64_t now = 0;
};

TEST_F(SimLineTest, AnswersTheProcedure) {
  EXPECT_EQ(Transaction("CA"), std::vector<uint8_t>{kAck});
  EXPECT_EQ(Transaction("QG"), BuildFrame("AG90"));
  EXPECT_TRUE(Send({kAck}).empty());
  // A frame with a wrong check is refused.
  EXPECT_EQ(Send({kEnq}), std::vector<uint8_t>{kAck});
  auto bad = BuildFrame("CB");
  bad.back() ^= 1;
  EXPECT_EQ(Send(bad), std::vector<uint8_t>{kNak});
  EXPECT_TRUE(sim.Running());
  // Stray bytes between transactions are ignored.
  EXPECT_TRUE(Send({'x', kStx, 'y', kEtx}).empty());
  EXPECT_EQ(Transaction("QN"), BuildFrame("AN0"));
}

TEST_F(SimLineTest, LineFaults) {
  SimInstrument other{Genuine()};
  LineControl control;
  EXPECT_EQ(ApplyControlCommand("nak", sim, line, control, now), "ok nak");
  EXPECT_EQ(Send({kEnq}), std::vector<uint8_t>{kNak});
  EXPECT_EQ(Transaction("QN"), BuildFrame("AN0"));

  ApplyControlCommand("silent 2", sim, line, control, now);
  EXPECT_TRUE(Send({kEnq}).empty());
  EXPECT_TRUE(Send({kEnq}).empty());
  EXPECT_EQ(Send({kEnq}), std::vector<uint8_t>{kAck});

  ApplyControlCommand("bad-bcc", sim, line, control, now);
  auto answer = Transaction("QN");
  ASSERT_EQ(answer.size(), 6u);
  EXPECT_NE(answer.back(), BuildFrame("AN0").back());

  ApplyControlCommand("slow 700", sim, line, control, now);
  Send({kEnq});
  for (uint8_t b : BuildFrame("QN")) line.Receive(b, now);
  ASSERT_FALSE(line.Output().empty());
  EXPECT_EQ(line.Output().front().notBeforeMs, 700);
  line.Output().clear();

  ApplyControlCommand("stray 4", sim, line, control, now);
  EXPECT_EQ(line.Output().size(), 4u);
  line.Output().clear();

  EXPECT_EQ(ApplyControlCommand("babble 800", sim, line, control, 100), "ok babble 800");
  EXPECT_EQ(control.babbleUntilMs, 900);

  ApplyControlCommand("nak 5", sim, line, control, now);
  ApplyControlCommand("clear", sim, line, control, now);
  EXPECT_EQ(Send({kEnq}), std::vector<uint8_t>{kAck});
  EXPECT_EQ(control.babbleUntilMs, 0);
}

TEST_F(SimLineTest, InstrumentFaultsAndBadCommands) {
  LineControl control;
  Transaction("CA");
  EXPECT_EQ(ApplyControlCommand("error 6", sim, line, control, now), "ok error 6");
  EXPECT_EQ(Transaction("QN"), BuildFrame("AN6"));
  EXPECT_EQ(ApplyControlCommand("error 9", sim, line, control, now).rfind("error:", 0), 0u);
  EXPECT_EQ(ApplyControlCommand("error", sim, line, control, now).rfind("error:", 0), 0u);
  EXPECT_EQ(ApplyControlCommand("nak x", sim, line, control, now).rfind("error:", 0), 0u);
  EXPECT_EQ(ApplyControlCommand("explode", sim, line, control, now).rfind("error:", 0), 0u);
  EXPECT_EQ(ApplyControlCommand("panel-stop 3", sim, line, control, now).rfind("error:", 0), 0u);
  EXPECT_EQ(ApplyControlCommand("", sim, line, control, now), "");
  // A wrong command is answered with the forms that would have been right.
  const std::string unknown = ApplyControlCommand("explode", sim, line, control, now);
  for (const char* form : {"error N (N 1..8)", "panel-stop", "slow MS [N]", "babble MS", "status"})
    EXPECT_NE(unknown.find(form), std::string::npos) << form;
  EXPECT_EQ(ApplyControlCommand("error 9", sim, line, control, now),
            "error: the error code must be 1..8, not 9");
  EXPECT_EQ(ApplyControlCommand("slow", sim, line, control, now), "error: give slow MS [N]");
  EXPECT_EQ(ApplyControlCommand("nak x", sim, line, control, now),
            "error: bad number x: give nak [N] with whole numbers 0 or more");
  EXPECT_EQ(ApplyControlCommand("status", sim, line, control, now),
            "ok status AG21 AH0/0/1/20/0/0");
}

TEST_F(SimLineTest, StalledFrameIsForgotten) {
  Send({kEnq});
  Send({kStx, 'Q'});
  now = 2000;
  // The rest of the old frame comes far too late: it is noise now.
  EXPECT_TRUE(Send({'G', kEtx, 0x00}).empty());
  EXPECT_EQ(Transaction("QN"), BuildFrame("AN0"));
}

// ENQ and the frame written together, without waiting for the ACK: a strict
// instrument drops the frame, a lenient one takes it.
TEST_F(SimLineTest, StrictLineDropsAFrameSentBeforeItsAck) {
  auto hasty = [](const std::string& text) {
    std::vector<uint8_t> bytes{kEnq};
    const auto frame = BuildFrame(text);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    return bytes;
  };
  EXPECT_EQ(Send(hasty("PC1")), (std::vector<uint8_t>{kAck, kAck}));
  EXPECT_TRUE(sim.LineOn());

  line.SetStrict(true);
  EXPECT_EQ(Send(hasty("PC0")), std::vector<uint8_t>{kAck});  // the ENQ's only
  EXPECT_TRUE(sim.LineOn());
  // Its block check may look like an ENQ: it is still part of the frame.
  ASSERT_EQ(BuildFrame("QW").back(), kEnq);
  EXPECT_EQ(Send(hasty("QW")), std::vector<uint8_t>{kAck});

  // Waiting for the ACK is the procedure, and it works as before.
  EXPECT_EQ(Transaction("PC0"), std::vector<uint8_t>{kAck});
  EXPECT_FALSE(sim.LineOn());
  EXPECT_EQ(Transaction("QG"), BuildFrame("AG00"));
  EXPECT_TRUE(Send({kAck}).empty());
}

}  // namespace
}  // namespace hvt::sim
