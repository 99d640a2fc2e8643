#include <gtest/gtest.h>

#include "link/CRsBasicProtocol.h"
#include "link/InstrumentCommands.h"
#include "model/CPELKDoc.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

class InstrumentCommandsTest : public ::testing::Test {
 protected:
  InstrumentCommandsTest()
      : device(clock),
        peer(device),
        protocol(device, clock, [](int) { return "/dev/test"; }),
        commands(doc, protocol,
                 CommandHooks{[this] { return oneShot; }, [this] { return tab; },
                              [this] { return limit; }, [this] { return workingVoltage; },
                              [this] { ++digitResets; }}) {
    SetType(3);
    EXPECT_TRUE(protocol.OpenPort(1));
  }
  void SetType(int type) {
    doc.SetDemoConfiguration(type);
    doc.InitNewDocument();
  }
  std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 2;
    for (size_t slash; (slash = text.find('/', start)) != std::string::npos; start = slash + 1) {
      out.push_back(text.substr(start, slash - start));
    }
    out.push_back(text.substr(start));
    return out;
  }

  CPELKDoc doc;
  SweepPoint sweepPoint;
  bool oneShot = false;
  int32_t tab = 0;
  int32_t limit = 800;
  int32_t workingVoltage = 0;
  int digitResets = 0;
  testing::VirtualClock clock;
  testing::ScriptedDevice device;
  testing::TextPeer peer;
  CRsBasicProtocol protocol;
  InstrumentCommands commands;
};

TEST_F(InstrumentCommandsTest, NewUnitOfAThreePhaseDocument) {
  EXPECT_EQ(commands.BuildUnitText(1), "PD0/1/0/0/20/0/0/1/0/3/0/4/10000/1/1");
  EXPECT_EQ(commands.BuildUnitText(0), "");
  EXPECT_EQ(commands.BuildUnitText(51), "");
}

TEST_F(InstrumentCommandsTest, ManualUnitIgnoresSweepSettings) {
  UnitRecord& u = doc.unit(2);
  u.testMode = 0;
  u.voltageSweep = 1;
  u.triggerSweep = 1;
  u.voltageStop = 300;
  u.voltageStep = 10;
  u.triggerMode = 0;
  u.phase = 45;
  u.phaseStop = 270;
  u.phaseStep = 15;
  auto f = Fields(commands.BuildUnitText(2));
  ASSERT_EQ(f.size(), 15u);
  EXPECT_EQ(f[0], "0");
  EXPECT_EQ(f[2], "0");
  EXPECT_EQ(f[3], "0");
  // Phase stop and step go out even in MANUAL.
  EXPECT_EQ(f[4], "45");
  EXPECT_EQ(f[5], "270");
  EXPECT_EQ(f[6], "15");
  EXPECT_EQ(f[9], "2");  // line option only

  u.testMode = 1;
  u.sweepOrder = {4, 5, 0, 1, 3, 2};
  f = Fields(commands.BuildUnitText(2));
  EXPECT_EQ(f[0], "3");
  EXPECT_EQ(f[2], "300");
  EXPECT_EQ(f[3], "10");
  EXPECT_EQ(f[7], "0");  // voltage is the inner level

  u.triggerMode = 1;
  u.variable = 30;
  u.variableStop = 90;
  u.variableStep = 5;
  u.triggerSweep = 0;
  f = Fields(commands.BuildUnitText(2));
  EXPECT_EQ(f[0], "1");
  EXPECT_EQ(f[4], "30");
  EXPECT_EQ(f[5], "0");
  EXPECT_EQ(f[6], "0");
}

TEST_F(InstrumentCommandsTest, OptionCharacterCombinesFourFlags) {
  UnitRecord& u = doc.unit(3);
  u.polarity = 1;
  u.lineOption = 1;
  u.triggerMode = 1;
  oneShot = true;
  EXPECT_EQ(Fields(commands.BuildUnitText(3))[9], "?");
  oneShot = false;
  u.lineOption = 0;
  u.triggerMode = 0;
  EXPECT_EQ(Fields(commands.BuildUnitText(3))[9], "8");
}

TEST_F(InstrumentCommandsTest, LineCodesOnTheWire) {
  UnitRecord& u = doc.unit(4);
  u.injectionLine = 3;
  u.returnLine = 3;
  auto f = Fields(commands.BuildUnitText(4));
  EXPECT_EQ(f[10], "3");  // N of the three-phase unit
  EXPECT_EQ(f[11], "3");
  u.returnLine = 5;
  EXPECT_EQ(Fields(commands.BuildUnitText(4))[11], "4");

  SetType(1);
  UnitRecord& single = doc.unit(4);
  single.injectionLine = 3;
  single.returnLine = 3;
  f = Fields(commands.BuildUnitText(4));
  EXPECT_EQ(f[10], "4");
  EXPECT_EQ(f[11], "4");
  single.returnLine = 4;
  EXPECT_EQ(Fields(commands.BuildUnitText(4))[11], "4");
}

TEST_F(InstrumentCommandsTest, TimesAndTerminators) {
  UnitRecord& u = doc.unit(5);
  u.injectionEndless = 0;
  u.injectionTime = 30;
  u.intervalEndless = 1;
  auto f = Fields(commands.BuildUnitText(5));
  EXPECT_EQ(f[12], "30");
  EXPECT_EQ(f[13], "1000");

  const std::pair<int, const char*> plain[] = {{0, "0"}, {1, "1"}, {3, "2"}, {2, "2"}, {7, "2"}};
  for (const auto& [terminator, wire] : plain) {
    u.terminator = terminator;
    EXPECT_EQ(Fields(commands.BuildUnitText(5))[14], wire) << terminator;
  }
  // The 50-ohm terminator is the built-in one on the line before SG.
  u.terminator = 2;
  u.injectionLine = doc.lastLine - 1;
  EXPECT_EQ(Fields(commands.BuildUnitText(5))[14], "3");
  doc.builtInTerminator = 0;
  EXPECT_EQ(Fields(commands.BuildUnitText(5))[14], "2");
}

TEST_F(InstrumentCommandsTest, SetCommandTexts) {
  for (const char* text : {"CA", "CB", "CC", "PC1", "PC0", "CD1", "CD0", "PI10", "PI-3"}) {
    peer.replies[text] = "ACK";
  }
  peer.replies[commands.BuildUnitText(1)] = "ACK";
  EXPECT_TRUE(commands.SendStart());
  EXPECT_TRUE(commands.SendStop());
  EXPECT_TRUE(commands.SendTrigger());
  EXPECT_TRUE(commands.SendLine(true));
  EXPECT_TRUE(commands.SendLine(false));
  EXPECT_TRUE(commands.SendPause(true));
  EXPECT_TRUE(commands.SendPause(false));
  EXPECT_TRUE(commands.SendStepCode(10));
  EXPECT_TRUE(commands.SendStepCode(-3));
  EXPECT_TRUE(commands.SendUnit(1));
  EXPECT_EQ(digitResets, 2);
  EXPECT_EQ(peer.received, (std::vector<std::string>{"CA", "CB", "CC", "PC1", "PC0", "CD1", "CD0",
                                                     "PI10", "PI-3", commands.BuildUnitText(1)}));
  // Set commands are not retried here: one NAK is a failure.
  peer.received.clear();
  EXPECT_FALSE(commands.SendStepCode(20));
  EXPECT_EQ(peer.received.size(), 1u);
  EXPECT_FALSE(commands.SendUnit(60));
}

TEST_F(InstrumentCommandsTest, DemonstrationModeSendsNothing) {
  doc.demoMode = 1;
  doc.unit(1).voltage = 250;
  doc.unit(1).triggerMode = 0;
  doc.unit(1).phase = 90;
  workingVoltage = 250;
  EXPECT_TRUE(commands.SendStart());
  EXPECT_TRUE(commands.SendStop());
  EXPECT_TRUE(commands.SendTrigger());
  EXPECT_TRUE(commands.SendLine(true));
  EXPECT_TRUE(commands.SendPause(true));
  EXPECT_TRUE(commands.SendStepCode(10));
  EXPECT_TRUE(commands.SendUnit(1));
  EXPECT_TRUE(commands.SendLevels(1, sweepPoint));
  EXPECT_TRUE(device.written.empty());
  EXPECT_EQ(digitResets, 0);
  EXPECT_EQ(sweepPoint.voltage, 250);
  EXPECT_EQ(sweepPoint.phase, 90);
}

TEST_F(InstrumentCommandsTest, LevelsSkipSweptQuantities) {
  UnitRecord& u = doc.unit(6);
  u.voltage = 120;
  u.triggerMode = 1;
  u.variable = 40;
  u.voltageSweep = 1;
  u.triggerSweep = 1;
  workingVoltage = 120;
  peer.replies["PE120"] = "ACK";
  peer.replies["PF40"] = "ACK";

  tab = 1;
  EXPECT_TRUE(commands.SendLevels(6, sweepPoint));
  EXPECT_TRUE(peer.received.empty());

  u.triggerSweep = 0;
  EXPECT_TRUE(commands.SendLevels(6, sweepPoint));
  EXPECT_EQ(peer.received, (std::vector<std::string>{"PF40"}));
  EXPECT_EQ(sweepPoint.variable, 40);
  EXPECT_EQ(sweepPoint.voltage, 0);

  peer.received.clear();
  tab = 0;  // MANUAL sends both whatever the flags say
  EXPECT_TRUE(commands.SendLevels(6, sweepPoint));
  EXPECT_EQ(peer.received, (std::vector<std::string>{"PE120", "PF40"}));
  EXPECT_EQ(sweepPoint.voltage, 120);
}

TEST_F(InstrumentCommandsTest, FailedVoltageLeavesTheTriggerAlone) {
  doc.unit(1).voltage = 99;
  peer.received.clear();
  sweepPoint.voltage = 7;
  EXPECT_FALSE(commands.SendLevels(1, sweepPoint));
  EXPECT_EQ(peer.received, (std::vector<std::string>{"PE99"}));
  EXPECT_EQ(sweepPoint.voltage, 7);
}

TEST_F(InstrumentCommandsTest, QueriesReadTheirAnswers) {
  peer.replies = {{"QG", "AG10"}, {"QN", "AN4"}, {"QC", "AC1"}, {"QE", "AE150"}, {"QF", "AF90"}};
  EXPECT_EQ(commands.QueryStatus(), "AG10");
  EXPECT_EQ(commands.QueryErrorCode(), 4);
  EXPECT_EQ(commands.QueryLineState(), 1);
  EXPECT_EQ(commands.QueryVoltage(), "150");
  EXPECT_EQ(commands.QueryTriggerValue(), "90");

  peer.replies = {{"QG", "AG1"}, {"QN", "AN9"}, {"QC", "AX1"}, {"QE", "AF150"}, {"QF", "A"}};
  EXPECT_EQ(commands.QueryStatus(), "");
  EXPECT_EQ(commands.QueryErrorCode(), -1);
  EXPECT_EQ(commands.QueryLineState(), 0xFF);
  EXPECT_EQ(commands.QueryVoltage(), "");
  EXPECT_EQ(commands.QueryTriggerValue(), "");
}

TEST_F(InstrumentCommandsTest, QueriesTryOnceMore) {
  peer.replies = {{"QN", "AN0"}};
  peer.silentFrames = 1;
  EXPECT_EQ(commands.QueryErrorCode(), 0);
  EXPECT_EQ(peer.received, (std::vector<std::string>{"QN", "QN"}));

  peer.received.clear();
  peer.silentFrames = 2;
  const uint32_t start = clock.now;
  EXPECT_EQ(commands.QueryErrorCode(), -1);
  EXPECT_EQ(peer.received.size(), 2u);
  EXPECT_EQ(clock.now - start, 1000u);
  peer.replies["QC"] = "AC";
  EXPECT_EQ(commands.QueryLineState(), 0);  // the peer answers again
}

TEST_F(InstrumentCommandsTest, ProgressAnswer) {
  UnitRecord& u = doc.unit(1);
  u.triggerMode = 0;
  peer.replies = {{"QH", "AH12/3/150/90/1/7"}};
  int32_t injection = -1, interval = -1, change = -1, digit = -1;
  SweepPoint point;
  EXPECT_TRUE(commands.QueryProgress(1, injection, interval, point, change, digit));
  EXPECT_EQ(injection, 12);
  EXPECT_EQ(interval, 3);
  EXPECT_EQ(point.voltage, 150);
  EXPECT_EQ(point.phase, 90);
  EXPECT_EQ(change, 1);
  EXPECT_EQ(digit, 7);

  limit = 149;
  EXPECT_FALSE(commands.QueryProgress(1, injection, interval, point, change, digit));
  limit = 800;

  // Written even when the answer is short; refused all the same.
  peer.replies = {{"QH", "AH11/2/140/80/0"}};
  EXPECT_FALSE(commands.QueryProgress(1, injection, interval, point, change, digit));
  EXPECT_EQ(injection, 11);
  EXPECT_EQ(point.phase, 80);
  EXPECT_EQ(digit, 0);

  // Another answer leaves everything as it was.
  peer.replies = {{"QH", "AG00"}};
  EXPECT_FALSE(commands.QueryProgress(1, injection, interval, point, change, digit));
  EXPECT_EQ(injection, 11);

  u.triggerMode = 1;
  peer.replies = {{"QH", "AH0/5/100/500/0/3"}};
  EXPECT_TRUE(commands.QueryProgress(1, injection, interval, point, change, digit));
  EXPECT_EQ(point.variable, 500);
  EXPECT_EQ(point.phase, 80);
}

}  // namespace
}  // namespace hvt
