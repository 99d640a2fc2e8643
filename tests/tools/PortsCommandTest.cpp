#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "hvtctl/PlkCommands.h"
#include "hvtctl/PortsCommand.h"
#include "model/Settings.h"
#include "support/FakeLink.h"

namespace hvt {
namespace {

TEST(PortsCommandTest, ListsOpenablePortsWithTheirDevices) {
  const auto dir =
      std::filesystem::temp_directory_path() /
      ("hvt-portscmd-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::remove_all(dir);
  SettingsFile settings(SettingsFile::PathUnder(dir), [](const std::filesystem::path&, bool) {});
  settings.WriteSetting("Ports", "COM5", "/dev/pts/9");
  testing::VirtualClock clock;
  testing::ScriptedDevice device(clock);
  device.paths = {"/dev/ttyS2", "/dev/pts/9", "/dev/ttyUSB0"};
  std::ostringstream out, err;
  EXPECT_EQ(RunPortsCommand({}, device, &settings, out, err), kExitOk);
  EXPECT_EQ(out.str(), "COM3 (/dev/ttyS2)\nCOM5 (/dev/pts/9)\nCOM33 (/dev/ttyUSB0)\n");
  EXPECT_FALSE(device.IsOpen());

  device.paths.clear();
  std::ostringstream none, noneErr;
  EXPECT_EQ(RunPortsCommand({}, device, &settings, none, noneErr), kExitFailure);
  EXPECT_EQ(none.str(), "");
  EXPECT_EQ(RunPortsCommand({"extra"}, device, &settings, none, noneErr), kExitUsage);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace hvt
