// The link against hvt-sim over a real pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "link/Answers.h"
#include "link/CRsBasicProtocol.h"
#include "link/Frame.h"
#include "link/InstrumentCommands.h"
#include "link/PortPaths.h"
#include "model/CPELKDoc.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "platform/QtSerialDevice.h"
#include "platform/SteadyClock.h"
#include "support/SimLogFile.h"
#include "support/SimProcess.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

constexpr int kSimPort = 5;

class LinkE2ETest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args = {}) {
    sim = std::make_unique<testing::SimProcess>(std::move(args));
    ASSERT_FALSE(sim->Path().empty()) << "hvt-sim did not start";
    dir = fs::temp_directory_path() /
          ("hvt-e2e-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    settings =
        std::make_unique<SettingsFile>(SettingsFile::PathUnder(dir), [](const fs::path&, bool) {});
    // The pseudo-terminal stands in for COM5.
    settings->WriteSetting("Ports", "COM" + std::to_string(kSimPort), sim->Path());
    protocol = std::make_unique<CRsBasicProtocol>(
        device, clock, [this](int n) { return PortDevicePath(n, settings.get()); });
    doc.SetDemoConfiguration(3);
    doc.InitNewDocument();
    commands = std::make_unique<InstrumentCommands>(doc, *protocol);
    ASSERT_TRUE(protocol->OpenPort(kSimPort)) << device.ErrorText();
  }
  void TearDown() override {
    commands.reset();
    protocol.reset();
    if (sim) {
      EXPECT_TRUE(sim->Stop());
    }
    fs::remove_all(dir);
  }
  // Polls like the run's 200 ms timer until pred holds; false after the bound.
  template <typename Pred>
  bool PollUntil(Pred pred, uint32_t boundMs = 8000, uint32_t periodMs = 100) {
    const uint32_t start = clock.TickCount();
    while (clock.TickCount() - start < boundMs) {
      if (pred()) return true;
      clock.Sleep(periodMs);
    }
    return false;
  }

  std::unique_ptr<testing::SimProcess> sim;
  fs::path dir;
  std::unique_ptr<SettingsFile> settings;
  QtSerialDevice device;
  SteadyClock clock;
  CPELKDoc doc;
  SweepPoint sweepPoint;
  std::unique_ptr<CRsBasicProtocol> protocol;
  std::unique_ptr<InstrumentCommands> commands;
};

TEST_F(LinkE2ETest, IdentifiesAndReadsTheConfiguration) {
  Start({"--max-voltage", "205", "--type", "1", "--no-triangle", "--no-terminator"});
  ASSERT_TRUE(protocol->Query("QA"));
  EXPECT_EQ(protocol->GetAnswer(), LoadString(TextId::Identification));
  const auto config = commands->QueryWithRetry(TextId::CodeConfiguration);
  ASSERT_TRUE(config);
  const auto parsed = ParseConfigurationAnswer(*config);
  EXPECT_EQ(parsed->maxVoltage, 205);
  EXPECT_EQ(parsed->injectionUnitType, 1);
  EXPECT_FALSE(parsed->triangle);
  EXPECT_FALSE(commands->QueryWithRetry(TextId::CodeTerminator));

  // The simulator outlives the program closing and reopening its side.
  protocol->ClosePort();
  ASSERT_TRUE(protocol->OpenPort(kSimPort));
  EXPECT_TRUE(protocol->Query("QA"));
}

TEST_F(LinkE2ETest, OtherIdentityAndListing) {
  Start({"--identity", "AAOTHER"});
  ASSERT_TRUE(protocol->Query("QA"));
  EXPECT_EQ(protocol->GetAnswer(), "AAOTHER");
  // A port in use by us is not listed; once closed, it is.
  protocol->ClosePort();
  std::string text;
  EXPECT_GE(protocol->ListPorts(text), 1);
  EXPECT_NE(("/" + text + "/").find("/COM5/"), std::string::npos) << text;
}

TEST_F(LinkE2ETest, UnitCountsDownInRealTimeAndEnds) {
  Start();
  UnitRecord& u = doc.unit(1);
  u.injectionEndless = 0;
  u.injectionTime = 2;
  u.voltage = 150;
  ASSERT_TRUE(commands->SendUnit(1));
  ASSERT_TRUE(commands->SendStart());
  int32_t injection = 0, interval = 0, change = 0, digit = 0;
  ASSERT_TRUE(commands->QueryProgress(1, injection, interval, sweepPoint, change, digit));
  EXPECT_EQ(injection, 2);
  EXPECT_EQ(sweepPoint.voltage, 150);
  EXPECT_EQ(commands->QueryStatus()[2] & 0x01, 0x01);
  EXPECT_TRUE(PollUntil([&] {
    return commands->QueryProgress(1, injection, interval, sweepPoint, change, digit) &&
           injection == 1;
  }));
  EXPECT_EQ(digit, 1);
  EXPECT_TRUE(PollUntil([&] { return (commands->QueryStatus()[2] & 0x01) == 0; }));
  EXPECT_EQ(commands->QueryStatus(), "AG00");
  EXPECT_TRUE(commands->SendStop());
}

TEST_F(LinkE2ETest, VoltageSweepReportsTheSteppedVoltages) {
  Start();
  UnitRecord& u = doc.unit(2);
  u.testMode = 1;
  u.voltageSweep = 1;
  u.sweepCount = 1;
  u.voltage = 100;
  u.voltageStop = 200;
  u.voltageStep = 50;
  u.injectionEndless = 0;
  u.injectionTime = 1;
  u.intervalTime = 0;
  ASSERT_TRUE(commands->SendUnit(2));
  ASSERT_TRUE(commands->SendStart());
  std::vector<int> voltages;
  EXPECT_TRUE(PollUntil([&] {
    int32_t injection = 0, interval = 0, change = 0, digit = 0;
    if (commands->QueryProgress(2, injection, interval, sweepPoint, change, digit) &&
        injection > 0 && (voltages.empty() || voltages.back() != sweepPoint.voltage)) {
      voltages.push_back(sweepPoint.voltage);
    }
    return commands->QueryStatus() == "AG00";
  }));
  EXPECT_EQ(voltages, (std::vector<int>{100, 150, 200}));
}

TEST_F(LinkE2ETest, InstrumentFaultsReachTheStatus) {
  Start();
  ASSERT_TRUE(commands->SendLine(true));
  EXPECT_EQ(commands->QueryLineState(), 1);
  ASSERT_TRUE(commands->SendStart());
  ASSERT_EQ(sim->Command("error 5"), "ok error 5");
  EXPECT_EQ(commands->QueryStatus(), "AG21");
  EXPECT_EQ(commands->QueryErrorCode(), 5);
  EXPECT_EQ(commands->QueryLineState(), 0);
  ASSERT_TRUE(commands->SendStop());
  ASSERT_TRUE(commands->SendStart());
  ASSERT_EQ(sim->Command("external-stop"), "ok external-stop");
  EXPECT_EQ(commands->QueryStatus(), "AG28");
  ASSERT_TRUE(commands->SendPause(true));  // nothing runs: accepted, no effect
  ASSERT_TRUE(commands->SendStart());
  ASSERT_TRUE(commands->SendPause(true));
  EXPECT_EQ(commands->QueryStatus(), "AG=0");
  ASSERT_EQ(sim->Command("panel-stop"), "ok panel-stop");
  EXPECT_EQ(commands->QueryStatus(), "AG20");
}

TEST_F(LinkE2ETest, LineFaultsFailTransactionsAndTheLinkRecovers) {
  Start();
  ASSERT_EQ(sim->Command("nak"), "ok nak");
  EXPECT_FALSE(commands->SendStart());

  ASSERT_EQ(sim->Command("silent"), "ok silent");
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const uint32_t t0 = clock.TickCount();
  EXPECT_FALSE(protocol->Query("QA"));
  const uint32_t waited = clock.TickCount() - t0;
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const auto cpuUs = [](const rusage& r) {
    return r.ru_utime.tv_sec * 1000000L + r.ru_utime.tv_usec + r.ru_stime.tv_sec * 1000000L +
           r.ru_stime.tv_usec;
  };
  // A waiting link sleeps: far less CPU than the time it waited.
  EXPECT_LT(cpuUs(after) - cpuUs(before), static_cast<long>(waited) * 1000L / 4);

  ASSERT_EQ(sim->Command("bad-bcc"), "ok bad-bcc");
  EXPECT_FALSE(protocol->Query("QN"));
  EXPECT_EQ(commands->QueryErrorCode(), 0);  // the retry gets a good frame

  ASSERT_EQ(sim->Command("bad-bcc"), "ok bad-bcc");
  EXPECT_EQ(commands->QueryErrorCode(), 0);  // one bad answer, one retry

  ASSERT_EQ(sim->Command("slow 700"), "ok slow 700");
  EXPECT_FALSE(protocol->SendCommand("CB"));

  // Stray bytes ahead of a transaction are purged.
  ASSERT_EQ(sim->Command("stray 40"), "ok stray 40");
  EXPECT_TRUE(PollUntil([&] { return protocol->Port().PendingCount() >= 40; }, 2000, 10));
  EXPECT_TRUE(protocol->Query("QA"));

  // A line that keeps sending fails the next transaction.
  ASSERT_EQ(sim->Command("babble 1500"), "ok babble 1500");
  EXPECT_TRUE(PollUntil([&] { return protocol->Port().PendingCount() > 0; }, 2000, 10));
  EXPECT_FALSE(protocol->Query("QA"));
  ASSERT_EQ(sim->Command("clear"), "ok clear");
  EXPECT_TRUE(PollUntil([&] { return protocol->Query("QA"); }, 3000, 50));
}

// A strict instrument drops a frame that comes before its ENQ's ACK went out;
// the link waits for every ACK, so its commands and queries go through,
// paced or not.
TEST_F(LinkE2ETest, StrictInstrumentTakesTheLinksFrames) {
  for (const auto& args : {std::vector<std::string>{"--strict"},
                           std::vector<std::string>{"--strict", "--pace", "9600"}}) {
    SCOPED_TRACE(args.size());
    Start(args);
    // ENQ and "PC1" written at once: only the ENQ is answered.
    std::vector<uint8_t> hasty{kEnq};
    const auto frame = BuildFrame("PC1");
    hasty.insert(hasty.end(), frame.begin(), frame.end());
    ASSERT_TRUE(device.Write(hasty.data(), hasty.size(), 500));
    uint8_t reply = 0;
    ASSERT_TRUE(device.WaitForBytes(2000));
    ASSERT_EQ(device.Read(&reply, 1), 1);
    EXPECT_EQ(reply, kAck);

    EXPECT_TRUE(commands->SendStop());
    EXPECT_EQ(commands->QueryStatus(), "AG00") << "the hasty PC1 was taken";
    EXPECT_TRUE(commands->SendLine(true));
    EXPECT_EQ(commands->QueryStatus(), "AG02");
    commands.reset();
    protocol.reset();
    EXPECT_TRUE(sim->Stop());
  }
}

TEST_F(LinkE2ETest, PacedLineAndFrameLog) {
  const fs::path log = fs::temp_directory_path() / ("hvt-e2e-log-" + std::to_string(getpid()));
  Start({"--pace", "9600", "--log", log.string()});
  auto steadyNs = [] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  const int64_t beforeNs = steadyNs();
  ASSERT_TRUE(protocol->Query("QA"));
  const int64_t afterNs = steadyNs();
  EXPECT_EQ(protocol->GetAnswer(), LoadString(TextId::Identification));
  ASSERT_TRUE(sim->Stop());
  const auto frames = testing::ReadSimLog(log);
  const auto origin = testing::ReadSimLogOrigin(log);
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(log);
  // One line per frame: ENQ in, ACK out, the query in, the answer out, our ACK in.
  ASSERT_EQ(frames.size(), 5u) << text;
  EXPECT_TRUE(frames[0].direction == '<' && frames[0].IsByte(0x05));
  EXPECT_TRUE(frames[1].direction == '>' && frames[1].IsByte(0x06));
  EXPECT_EQ(frames[2].direction, '<');
  EXPECT_EQ(frames[2].Text(), "QA");
  EXPECT_EQ(frames[3].direction, '>');
  EXPECT_EQ(frames[3].Text(), LoadString(TextId::Identification));
  EXPECT_EQ(frames[3].bytes.size(), 35u);
  EXPECT_TRUE(frames[4].direction == '<' && frames[4].IsByte(0x06));
  // Readable as it stands.
  EXPECT_NE(text.find("| <STX>" + LoadString(TextId::Identification) + "<ETX>"), std::string::npos)
      << text;
  EXPECT_NE(text.find("| <ENQ>"), std::string::npos) << text;
  // Paced: the answer's last byte leaves at least 35 byte times after the query.
  EXPECT_GT(frames[3].seconds - frames[2].seconds, 0.030);
  // The origin line puts the frames on this process's steady clock: the
  // query arrives after the call began, the answer leaves before it returned
  // (the log keeps microseconds).
  ASSERT_TRUE(origin) << text;
  auto onOurClock = [&](const testing::LoggedFrame& f) {
    return *origin + static_cast<int64_t>(f.seconds * 1e9);
  };
  EXPECT_GE(onOurClock(frames[0]), beforeNs - 1000);
  EXPECT_LE(onOurClock(frames[3]), afterNs + 1000);
}

}  // namespace
}  // namespace hvt
