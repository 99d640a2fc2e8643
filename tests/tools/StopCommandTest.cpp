#include <gtest/gtest.h>

#include <sstream>

#include "hvtctl/ObservedDevice.h"
#include "hvtctl/PlkCommands.h"
#include "hvtctl/StopCommand.h"
#include "model/StringTable.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

// hvtctl stop against an instrument that answers from a table.
struct StopRig {
  StopRig() {
    peer.replies = {{"QA", LoadString(TextId::Identification)}, {"CB", "ACK"}, {"PC0", "ACK"}, {"QG", "AG00"}};
  }
  int Stop() {
    out.str("");
    err.str("");
    peer.received.clear();
    return StopOnDevice({0, "/dev/test"}, device, clock, nullptr, out, err);
  }
  testing::VirtualClock clock;
  testing::ScriptedDevice scripted{clock};
  testing::TextPeer peer{scripted};
  ObservedDevice device{scripted, [] { return std::string("no such device"); }};
  std::ostringstream out, err;
};

TEST(StopCommandTest, SaysWhatTheInstrumentReportsAfterTheStop) {
  StopRig rig;
  EXPECT_EQ(rig.Stop(), kExitOk);
  EXPECT_EQ(rig.out.str(), "stopped: no test running, EUT line off\n");
  EXPECT_EQ(rig.peer.received, (std::vector<std::string>{"QA", "CB", "PC0", "QG"}));

  // Still running with its line on, though both were accepted.
  rig.peer.replies["QG"] = "AG12";
  EXPECT_EQ(rig.Stop(), kExitFailure);
  EXPECT_EQ(rig.out.str(), "not stopped: test still running, EUT line still on\n");
  EXPECT_NE(rig.err.str().find("stop it at its panel"), std::string::npos) << rig.err.str();

  // A refused stop is named, each tried twice; the status still decides.
  rig.peer.replies["QG"] = "AG00";
  rig.peer.replies["CB"] = "NAK";
  EXPECT_EQ(rig.Stop(), kExitOk);
  EXPECT_EQ(rig.out.str(),
            "the instrument did not accept CB\nstopped: no test running, EUT line off\n");
  EXPECT_EQ(rig.peer.received, (std::vector<std::string>{"QA", "CB", "CB", "PC0", "QG"}));

  // No status afterwards is no stop.
  rig.peer.replies.erase("QG");
  EXPECT_EQ(rig.Stop(), kExitFailure);
  EXPECT_EQ(rig.out.str(),
            "the instrument did not accept CB\n"
            "not confirmed: no answer to the status query after the stop\n");
}

TEST(StopCommandTest, SendsNothingToWhatIsNotTheInstrument) {
  StopRig rig;
  rig.peer.replies["QA"] = "AAOTHER";
  EXPECT_EQ(rig.Stop(), kExitFailure);
  EXPECT_EQ(rig.peer.received, (std::vector<std::string>{"QA"}));
  EXPECT_EQ(rig.err.str(),
            "hvtctl stop: /dev/test is not an HVT-KP4 (it answered \"AAOTHER\"); nothing was "
            "sent to it\n");
  EXPECT_EQ(rig.out.str(), "");

  rig.scripted.paths.clear();
  EXPECT_EQ(rig.Stop(), kExitFailure);
  EXPECT_EQ(rig.err.str(), "hvtctl stop: cannot open /dev/test: no such device\n");
}

TEST(StopCommandTest, BadArgumentsShowTheUsage) {
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port"},
                                              {"--port", "0"},
                                              {"--port", "258"},
                                              {"--port", "x"},
                                              {"--port", "3", "--device", "/dev/x"},
                                              {"--bogus"},
                                              {"extra"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunStopCommand(bad, out, err), kExitUsage) << bad[0];
    EXPECT_NE(err.str().find("Usage: hvtctl stop"), std::string::npos);
    EXPECT_EQ(out.str(), "");
  }
}

}  // namespace
}  // namespace hvt
