#include <gtest/gtest.h>

#include <filesystem>

#include "link/CommPort.h"
#include "link/PortPaths.h"
#include "model/Settings.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

std::string PathOf(int n) { return "/dev/com" + std::to_string(n); }

class CommPortTest : public ::testing::Test {
 protected:
  CommPortTest() : device(clock), port(device, PathOf) {}
  testing::VirtualClock clock;
  testing::ScriptedDevice device;
  CommPort port;
};

TEST_F(CommPortTest, OpenSetsTheFixedLineAndAssertsDtrAndRts) {
  device.paths = {PathOf(1), PathOf(12)};
  EXPECT_TRUE(port.Open(12));
  EXPECT_EQ(port.CurrentPort(), 12);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"open /dev/com12", "queues 2000 2000",
                                                    "format 9600 8 0 0", "dtr 1", "rts 1"}));
  device.calls.clear();
  EXPECT_TRUE(port.Close());
  // RTS falls first, then DTR, then the device closes.
  EXPECT_EQ(device.calls, (std::vector<std::string>{"rts 0", "dtr 0", "close"}));
  device.calls.clear();
  EXPECT_FALSE(port.Close());
  EXPECT_TRUE(device.calls.empty());
}

TEST_F(CommPortTest, PortNumbersOutsideTheRangeOpenCom1) {
  device.paths = {PathOf(1)};
  for (int n : {0, 258, -5}) {
    EXPECT_TRUE(port.Open(n));
    EXPECT_EQ(port.CurrentPort(), 1);
    EXPECT_EQ(device.calls.front(), "open /dev/com1");
    port.Close();
    device.calls.clear();
  }
}

TEST_F(CommPortTest, MissingPortStaysClosed) {
  EXPECT_FALSE(port.Open(7));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.CurrentPort(), 1);
}

TEST_F(CommPortTest, ControlLinesMayBeMissingButMustNotFail) {
  device.paths = {PathOf(2)};
  device.controlResult = ControlLineResult::NotSupported;  // a pseudo-terminal
  EXPECT_TRUE(port.Open(2));
  port.Close();
  device.controlResult = ControlLineResult::Failed;
  EXPECT_FALSE(port.Open(2));
  // A port that failed its set-up stays open until Close.
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(port.Close());
}

TEST_F(CommPortTest, LineFormatRulesAndTiming) {
  device.paths = {PathOf(1)};
  port.SetLineFormat(19200, 7, 2, 2);
  EXPECT_TRUE(port.Open(1));
  EXPECT_EQ(device.format, (LineFormat{19200, 7, 2, 2}));
  port.SetLineFormat(4800, 5, 1, 1);  // ignored while open
  EXPECT_EQ(port.Format(), (LineFormat{19200, 7, 2, 2}));
  port.Close();
  port.SetLineFormat(12345, 9, 5, 3);
  EXPECT_EQ(port.Format(), (LineFormat{9600, 8, 0, 0}));
  port.SetLineFormat(110, 4, 4, 1);
  EXPECT_EQ(port.Format(), (LineFormat{110, 4, 4, 1}));
  port.SetLineFormat(-1, 3, -1, -1);
  EXPECT_EQ(port.Format(), (LineFormat{9600, 8, 0, 0}));
}

TEST_F(CommPortTest, ReadReturnsAtOnceWithWhatIsThere) {
  device.paths = {PathOf(1)};
  ASSERT_TRUE(port.Open(1));
  uint8_t buffer[255];
  size_t got = 99;
  EXPECT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
  device.Deliver({1, 2, 3});
  EXPECT_EQ(port.PendingCount(), 3);
  EXPECT_TRUE(port.Read(buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(clock.now, 0u);
  EXPECT_EQ(port.PendingCount(), 0);
}

TEST_F(CommPortTest, ListPortsOpensAndClosesEveryPort) {
  device.paths = {PathOf(1), PathOf(3)};
  std::string text = "old";
  EXPECT_EQ(port.ListPorts(text), 2);
  EXPECT_EQ(text, "COM1/COM3");
  EXPECT_FALSE(device.IsOpen());
  int opens = 0;
  for (const auto& call : device.calls) opens += call.rfind("open ", 0) == 0;
  EXPECT_EQ(opens, 257);

  device.paths.clear();
  EXPECT_EQ(port.ListPorts(text), 0);
  EXPECT_EQ(text, "");
}

TEST_F(CommPortTest, ListPortsSkipsAndClosesPortsThatFailSetUp) {
  device.paths = {PathOf(1), PathOf(2)};
  device.formatOk = false;
  std::string text;
  EXPECT_EQ(port.ListPorts(text), 0);
  EXPECT_FALSE(device.IsOpen());
}

TEST_F(CommPortTest, AllPortsMakeAListOf1690Characters) {
  device.paths.clear();
  for (int n = 1; n <= 257; ++n) device.paths.insert(PathOf(n));
  std::string text;
  EXPECT_EQ(port.ListPorts(text), 257);
  EXPECT_EQ(text.size(), 1690u);
}

TEST(PortPathsTest, DefaultsAndSettingsEntries) {
#ifndef _WIN32
  EXPECT_EQ(PortDevicePath(1, nullptr), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath(32, nullptr), "/dev/ttyS31");
  EXPECT_EQ(PortDevicePath(33, nullptr), "/dev/ttyUSB0");
  EXPECT_EQ(PortDevicePath(65, nullptr), "/dev/ttyACM0");
  EXPECT_EQ(PortDevicePath(96, nullptr), "/dev/ttyACM31");
  EXPECT_EQ(PortDevicePath(97, nullptr), "");

  const auto dir =
      std::filesystem::temp_directory_path() /
      ("hvt-ports-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  SettingsFile settings(SettingsFile::PathUnder(dir), [](const std::filesystem::path&, bool) {});
  settings.WriteSetting("Ports", "COM5", "/dev/pts/7");
  settings.WriteSetting("Ports", "COM200", "/dev/serial/by-id/x");
  EXPECT_EQ(PortDevicePath(5, &settings), "/dev/pts/7");
  EXPECT_EQ(PortDevicePath(200, &settings), "/dev/serial/by-id/x");
  EXPECT_EQ(PortDevicePath(6, &settings), "/dev/ttyS5");
  std::filesystem::remove_all(dir);
#else
  EXPECT_EQ(PortDevicePath(12, nullptr), "\\\\.\\COM12");
#endif
  EXPECT_EQ(PortDisplayName(33, "/dev/ttyUSB0"), "COM33 (/dev/ttyUSB0)");
  EXPECT_EQ(PortDisplayName(12, "\\\\.\\COM12"), "COM12");
}

}  // namespace
}  // namespace hvt
