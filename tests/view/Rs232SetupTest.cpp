// Communication → RS-232 SetUp on the view: the port list, the choice, the
// settings file and the new connection, on virtual time.

#include <gtest/gtest.h>

#include <set>

#include "link/PortPaths.h"
#include "link/Rs232Setup.h"
#include "view/Rs232Command.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

// The dialog as the operator sees it: what it was told, then one choice.
struct PortDialog : Dialogs, Rs232SetupControls {
  bool Run(Rs232Setup& setup) override {
    ++shown;
    setup.OnInitDialog(*this);
    if (choose) choose(setup);
    return result;
  }
  void SetPortEntries(const std::vector<std::string>& t) override { texts = t; }
  void SelectPortEntry(int index) override { selected = index; }
  void EndDialog(bool ok) override { result = ok; }

  std::function<void(Rs232Setup&)> choose;
  int shown = 0;
  std::vector<std::string> texts;
  int selected = -1;
  bool result = false;
};

// A view whose ports are mapped in the settings file, only the mapped
// devices opening.
struct Ports {
  explicit Ports(std::map<int, std::string> mapped, bool demo = false)
      : rig(ViewRig::DefaultOptions(), demo, false) {
    std::set<std::string> devices;
    for (const auto& [n, path] : mapped) {
      rig.settings.WriteSetting("Ports", "COM" + std::to_string(n), path);
      devices.insert(path);
    }
    rig.portPath = [this](int n) { return PortDevicePath(n, &rig.settings); };
    rig.device.opens = [devices](const std::string& p) { return devices.count(p) > 0; };
    rig.doc.portNumber = static_cast<uint16_t>(mapped.empty() ? 1 : mapped.begin()->first);
    if (demo) rig.doc.demoMode = 1;
    rig.view->StartUp(!demo);
    rig.view->dialogs = &dialog;
  }
  void SetUp() { rig.view->events.OnCommand(CommandId::Rs232Setup); }

  ViewRig rig;
  PortDialog dialog;
  Rs232Command command{*rig.view};
};

TEST(Rs232Setup, TheListShowsEachDeviceAndSelectsTheExactPortNumber) {
  Ports p({{1, "/dev/simA"}, {3, "/dev/simB"}});
  p.rig.doc.portNumber = 3;
  p.SetUp();
  EXPECT_EQ(p.dialog.texts, (std::vector<std::string>{"COM1 (/dev/simA)", "COM3 (/dev/simB)"}));
  EXPECT_EQ(p.dialog.selected, 1);
  EXPECT_TRUE(p.rig.device.IsOpen());  // our port is open again while the dialog shows
  EXPECT_EQ(p.rig.view->protocol.Port().CurrentPort(), 3);

  p.rig.doc.portNumber = 2;  // not there: the last entry
  p.SetUp();
  EXPECT_EQ(p.dialog.selected, 1);

  Ports ten({{1, "/dev/simA"}, {10, "/dev/simB"}});
  ten.SetUp();
  ASSERT_EQ(ten.dialog.texts.size(), 2u);
  EXPECT_EQ(ten.dialog.texts[1], "COM10 (/dev/simB)");
  EXPECT_EQ(ten.dialog.selected, 0);  // COM1, not COM10
}

TEST(Rs232Setup, OkStoresTheChosenPortAndIdentifiesTheInstrumentAnew) {
  Ports p({{1, "/dev/simA"}, {33, "/dev/simB"}});
  p.dialog.choose = [](Rs232Setup& s) {
    s.OnSelect(1);
    s.OnOK();
  };
  p.rig.device.received.clear();
  p.SetUp();
  EXPECT_EQ(p.rig.settings.ReadSetting("EMV", "PORT_NUM"), "33");
  EXPECT_EQ(p.rig.doc.portNumber, 33);
  EXPECT_EQ(p.rig.view->protocol.Port().CurrentPort(), 33);
  ASSERT_FALSE(p.rig.device.received.empty());
  EXPECT_EQ(p.rig.device.received.front(), "QA");
  // Connected before: the configuration is not read again.
  EXPECT_EQ(std::count(p.rig.device.received.begin(), p.rig.device.received.end(), "QM"), 0);

  // The same port again connects anew too; Cancel changes nothing.
  p.dialog.choose = [](Rs232Setup& s) { s.OnOK(); };
  p.rig.device.received.clear();
  p.SetUp();
  // Identified, then asked whether a test or the line was left live.
  EXPECT_EQ(p.rig.device.received, (std::vector<std::string>{"QA", "QG"}));
  p.dialog.choose = [](Rs232Setup& s) {
    s.OnSelect(0);
    s.OnCancel();
  };
  p.rig.device.received.clear();
  p.SetUp();
  EXPECT_TRUE(p.rig.device.received.empty());
  EXPECT_EQ(p.rig.settings.ReadSetting("EMV", "PORT_NUM"), "33");
  EXPECT_EQ(p.rig.view->protocol.Port().CurrentPort(), 33);
}

TEST(Rs232Setup, EnterActsOnlyOnTheButtons) {
  Ports p({{1, "/dev/simA"}, {3, "/dev/simB"}});
  std::vector<bool> consumed;
  p.dialog.choose = [&](Rs232Setup& s) {
    s.OnSelect(1);
    consumed.push_back(s.OnEnterKey(Rs232Control::PortCombo));
    EXPECT_EQ(p.rig.settings.ReadSetting("EMV", "PORT_NUM"), "");
    consumed.push_back(s.OnEnterKey(Rs232Control::Ok));
  };
  p.SetUp();
  EXPECT_EQ(consumed, (std::vector<bool>{true, true}));
  EXPECT_EQ(p.rig.settings.ReadSetting("EMV", "PORT_NUM"), "3");
  EXPECT_TRUE(p.dialog.result);
}

TEST(Rs232Setup, LeavingDemonstrationModeReadsTheInstrumentAndStartsANewDocument) {
  Ports p({{1, "/dev/simA"}}, true);
  ASSERT_EQ(p.rig.doc.demoMode, 1);
  p.rig.doc.unit(1).voltage = 77;
  p.rig.doc.maxVoltage = 205;  // what demonstration mode had assumed
  p.dialog.choose = [](Rs232Setup& s) { s.OnOK(); };
  p.rig.prompter.answers = {Answer::No};  // 6003: do not save
  p.SetUp();
  EXPECT_EQ(p.rig.prompter.Texts().front(), LoadString(TextId::LeaveDemoSave));
  EXPECT_EQ(p.rig.doc.demoMode, 0);
  EXPECT_EQ(p.rig.doc.maxVoltage, 410);  // read from the instrument
  EXPECT_EQ(p.rig.doc.unit(1).voltage, UnitRecord::NewUnit(1, p.rig.doc.lastLine).voltage);
  EXPECT_EQ(p.rig.view->formState.workingUnit.voltage, p.rig.doc.unit(1).voltage);
}

TEST(Rs232Setup, WithoutAnyPortItSaysSoAndShowsNoDialog) {
  Ports p({});
  p.rig.device.opens = [](const std::string&) { return false; };
  p.SetUp();
  EXPECT_EQ(p.dialog.shown, 0);
  EXPECT_EQ(p.rig.prompter.Texts().back(), "No ComPort available");
}

}  // namespace
}  // namespace hvt
