#include <gtest/gtest.h>

#include <functional>

#include "model/StringTable.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

sim::InstrumentOptions Options(int maxVoltage, int type, bool triangle, bool terminator = true) {
  sim::InstrumentOptions o = ViewRig::DefaultOptions();
  o.maxVoltage = maxVoltage;
  o.injectionUnitType = type;
  o.triangle = triangle;
  o.terminator = terminator;
  return o;
}

TEST(Connect, GenuineInstrumentIsIdentifiedAndConfigured) {
  ViewRig rig(Options(205, 1, true));
  EXPECT_TRUE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.doc.demoMode, 0);
  EXPECT_FALSE(rig.form.Get(ControlId::DemoLabel).visible);
  EXPECT_EQ(rig.doc.maxVoltage, 205);
  EXPECT_EQ(rig.doc.minVariable, 10);
  EXPECT_EQ(rig.doc.injectionUnitType, 1);
  EXPECT_EQ(rig.doc.lastLine, 4);
  EXPECT_EQ(rig.doc.lineNames[2], "PE");
  EXPECT_EQ(rig.doc.widthTable,
            (std::array<int32_t, 9>{10, 50, 100, 200, 400, 500, 800, 1000, -1}));
  EXPECT_EQ(rig.doc.widthLast, 8);
  EXPECT_EQ(rig.doc.builtInTerminator, 1);
  EXPECT_EQ(rig.settings.ReadSetting("EMV", "TYPE"), "1");
  // The new document follows the instrument found.
  EXPECT_EQ(rig.doc.unit(1).returnLine, 4);
  EXPECT_EQ(rig.device.received.front(), "QA");
}

TEST(Connect, ThreePhaseInstrumentWithoutTriangleOrTerminator) {
  ViewRig rig(Options(410, 3, false, false));
  EXPECT_EQ(rig.doc.maxVoltage, 410);
  EXPECT_EQ(rig.doc.minVariable, 16);
  EXPECT_EQ(rig.view->formState.voltageLimit, rig.doc.VoltageLimit(rig.doc.unit(1).terminator));
  EXPECT_EQ(rig.doc.lastLine, 5);
  EXPECT_EQ(rig.doc.widthLast, 7);
  EXPECT_EQ(rig.doc.builtInTerminator, 0);
}

TEST(Connect, IdentificationIsASubstringMatch) {
  sim::InstrumentOptions longer = ViewRig::DefaultOptions();
  longer.identity += " rev B";
  ViewRig accepted(longer);
  EXPECT_EQ(accepted.doc.demoMode, 0);

  sim::InstrumentOptions other = ViewRig::DefaultOptions();
  other.identity[5] = 'X';
  ViewRig refused(other, false, false);
  refused.prompter.answers = {Answer::Ignore};
  ASSERT_TRUE(refused.view->StartUp());
  ASSERT_GE(refused.prompter.shown.size(), 2u);
  EXPECT_EQ(refused.prompter.shown[0].text, "The instrument being connected is not HVT-KP4");
  EXPECT_EQ(refused.prompter.shown[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(refused.prompter.shown[0].owner, Owner::OpeningWindow);
  EXPECT_EQ(refused.prompter.shown[1].text, LoadString(TextId::ProceedToDemo));
  EXPECT_EQ(refused.doc.demoMode, 1);
  EXPECT_TRUE(refused.form.Get(ControlId::DemoLabel).visible);
  EXPECT_GE(refused.form.inputDrops, 1);
}

TEST(Connect, MissingPortRetryThenAbort) {
  ViewRig rig(ViewRig::DefaultOptions(), false, false);
  rig.device.openFails = true;
  rig.prompter.answers = {Answer::Retry, Answer::Abort};
  EXPECT_FALSE(rig.view->StartUp());
  const std::string text = "COM1 can not open.\nCOM1 (/dev/sim): No such file or directory";
  EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{text, text}));
}

TEST(Connect, TheFailureBoxNamesThePortItsDeviceAndWhy) {
  using Kind = OpenFailure::Kind;
  struct Case {
    const char* name;
    std::function<void(ViewRig&)> arrange;
    std::string text;
  };
  const std::vector<Case> cases{
      {"held, and the system names the holder",
       [](ViewRig& r) {
         r.device.openFails = true;
         r.device.openFailure = {Kind::InUse, "Permission error", "minicom", 4242, "", ""};
       },
       "COM5 can not open.\nCOM5 (/dev/ttyUSB4): in use by another program (minicom, PID 4242)"},
      {"held by a lock that names nobody",
       [](ViewRig& r) {
         r.device.openFails = true;
         r.device.openFailure = {Kind::InUse, "Permission error", "", 0, "", ""};
       },
       "COM5 can not open.\nCOM5 (/dev/ttyUSB4): in use by another program"},
      {"for a group this user is not in",
       [](ViewRig& r) {
         r.device.openFails = true;
         r.device.openFailure = {Kind::Forbidden, "Permission denied", "", 0, "dialout", "root"};
       },
       "COM5 can not open.\nCOM5 (/dev/ttyUSB4): not allowed for this user; only members of the "
       "group dialout may open it"},
      {"for its owner only",
       [](ViewRig& r) {
         r.device.openFails = true;
         r.device.openFailure = {Kind::Forbidden, "Permission denied", "", 0, "", "root"};
       },
       "COM5 can not open.\nCOM5 (/dev/ttyUSB4): not allowed for this user; only its owner root "
       "may open it"},
      {"a port without a device", [](ViewRig& r) { r.doc.portNumber = 200; },
       "COM200 can not open.\nCOM200: no device is set for this port"},
      {"a device given instead of a number",
       [](ViewRig& r) {
         r.device.openFails = true;
         r.view->connection.namedDevice = "/dev/nonexist";
       },
       "/dev/nonexist can not open.\n/dev/nonexist: No such file or directory"},
      {"a silent instrument", [](ViewRig& r) { r.device.silent = true; },
       "Communication error.\nCOM5 (/dev/ttyUSB4): no answer to the identification query"},
      {"an instrument that turns the query down", [](ViewRig& r) { r.device.refuse["QA"] = 1; },
       "Communication error.\nCOM5 (/dev/ttyUSB4): the identification query was refused"},
  };
  for (const Case& c : cases) {
    ViewRig rig(ViewRig::DefaultOptions(), false, false);
    rig.portPath = [](int n) { return n == 5 ? std::string("/dev/ttyUSB4") : std::string(); };
    rig.doc.portNumber = 5;
    c.arrange(rig);
    rig.prompter.answers = {Answer::Abort};
    EXPECT_FALSE(rig.view->StartUp()) << c.name;
    EXPECT_EQ(rig.prompter.Texts(), std::vector<std::string>{c.text}) << c.name;
  }
}

TEST(Connect, AfterStartUpRetryCancelAndNoSecondDemoNotice) {
  ViewRig rig;
  ASSERT_EQ(rig.doc.firstUpdate, 0);
  rig.device.silent = true;
  rig.prompter.answers = {Answer::Cancel};
  EXPECT_TRUE(rig.view->connection.Connect());
  ASSERT_EQ(rig.prompter.shown.size(), 2u);
  EXPECT_EQ(rig.prompter.shown[0].text,
            "Communication error.\nCOM1 (/dev/sim): no answer to the identification query");
  EXPECT_EQ(rig.prompter.shown[0].buttons, Buttons::RetryCancel);
  EXPECT_EQ(rig.prompter.shown[0].owner, Owner::View);
  EXPECT_EQ(rig.doc.demoMode, 1);
  rig.prompter.shown.clear();
  EXPECT_TRUE(rig.view->connection.Connect());
  EXPECT_EQ(rig.prompter.shown.size(), 1u);  // 6004 only once

  // Back on line while in demonstration mode: 6003 is asked; No saves nothing.
  rig.device.silent = false;
  int saves = 0;
  rig.view->connection.saveDocument = [&] { ++saves; };
  rig.prompter.answers = {Answer::No};
  EXPECT_TRUE(rig.view->connection.Connect());
  EXPECT_EQ(rig.prompter.shown.back().text, LoadString(TextId::LeaveDemoSave));
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(rig.doc.demoMode, 0);
  rig.doc.demoMode = 1;
  rig.prompter.answers = {Answer::Yes};
  rig.view->connection.Connect();
  EXPECT_EQ(saves, 1);
}

TEST(Connect, DemoConfigurationTakesTheStoredType) {
  ViewRig rig(ViewRig::DefaultOptions(), false, false);
  rig.settings.WriteSetting("EMV", "TYPE", "1");
  rig.doc.demoMode = 1;
  ASSERT_TRUE(rig.view->StartUp(false));
  EXPECT_EQ(rig.doc.injectionUnitType, 1);
  EXPECT_EQ(rig.doc.lastLine, 4);
  EXPECT_EQ(rig.doc.maxVoltage, 410);
  EXPECT_EQ(rig.doc.widthLast, 8);
  EXPECT_TRUE(rig.device.received.empty());
}

TEST(StatusReports, StopReasonsAndLineChecks) {
  ViewRig rig;
  Connection& c = rig.view->connection;
  c.ReportStopReason("AG28");
  c.ReportStopReason("AG20");
  EXPECT_EQ(rig.prompter.Texts(),
            (std::vector<std::string>{"Singal input to stop the test run.",
                                      "The test run stopped by operating the HVT main unit."}));
  rig.prompter.shown.clear();
  rig.device.instrument.RaiseError(4, rig.time.now);  // error, line off
  EXPECT_EQ(c.CheckLineStatus(), 0);
  EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{LoadString(TextId::ErrorFan)}));
  c.ShowErrorMessage(9);
  c.ShowErrorMessage(-1);
  EXPECT_EQ(rig.prompter.Texts().back(), LoadString(TextId::PossibleCommunicationError));
  rig.device.silent = true;
  EXPECT_EQ(c.CheckLineStatus(), -1);
}

// Status character 3 of "QG": bit 0 error (its code from "QN"), bit 1 line
// on, bit 3 stopped by the external signal. Every value "0" to "?".
TEST(StatusReports, EveryStopReasonCombination) {
  ViewRig rig;
  rig.device.instrument.RaiseError(3, rig.time.now);  // "QN" answers 3
  Connection& c = rig.view->connection;
  for (int bits = 0; bits < 16; ++bits) {
    const char ch = static_cast<char>('0' + bits);
    SCOPED_TRACE(std::string("status character 3: ") + ch);
    rig.prompter.shown.clear();
    rig.device.received.clear();
    c.ReportStopReason(std::string("AG2") + ch);
    const std::string expected = (bits & 1) ? LoadString(TextId::ErrorReturnLine)
                                 : (bits & 8)
                                     ? "Singal input to stop the test run."
                                     : "The test run stopped by operating the HVT main unit.";
    EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{expected}));
    EXPECT_EQ(rig.device.received,
              (bits & 1) ? std::vector<std::string>{"QN"} : std::vector<std::string>{});
  }
  // The error code cannot be read: the possible communication error.
  rig.prompter.shown.clear();
  rig.device.refuse["QN"] = 2;
  c.ReportStopReason("AG29");
  EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{LoadString(TextId::PossibleCommunicationError)}));
}

TEST(StatusReports, LineStateFromEveryStatusCharacter) {
  ViewRig rig;
  rig.device.instrument.RaiseError(4, rig.time.now);  // "QN" answers 4
  Connection& c = rig.view->connection;
  for (int bits = 0; bits < 16; ++bits) {
    const char ch = static_cast<char>('0' + bits);
    SCOPED_TRACE(std::string("status character 3: ") + ch);
    rig.prompter.shown.clear();
    rig.device.answerWith["QG"] = std::string("AG0") + ch;
    rig.time.SetTimer(kLineWatchTimer, kLineWatchMs);
    const int32_t result = c.CheckLineStatus();
    if (bits & 2) {  // "2", "3", ... : the line is on, whatever else is set
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(rig.prompter.shown.empty());
      EXPECT_TRUE(rig.time.IsSet(kLineWatchTimer));
      continue;
    }
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(rig.time.IsSet(kLineWatchTimer));
    EXPECT_EQ(rig.prompter.Texts(),
              (std::vector<std::string>{(bits & 1) ? LoadString(TextId::ErrorFan) : LoadString(TextId::LineOffAtInstrument)}));
  }
  // An error whose code cannot be read ("QN" fails twice): 6015.
  rig.prompter.shown.clear();
  rig.device.answerWith["QG"] = "AG01";
  rig.device.refuse["QN"] = 2;
  EXPECT_EQ(c.CheckLineStatus(), 0);
  EXPECT_EQ(rig.prompter.Texts(), (std::vector<std::string>{LoadString(TextId::PossibleCommunicationError)}));
  // A status that is not one: no valid status, no message.
  rig.prompter.shown.clear();
  rig.device.answerWith["QG"] = "AX03";
  EXPECT_EQ(c.CheckLineStatus(), -1);
  EXPECT_TRUE(rig.prompter.shown.empty());
}

}  // namespace
}  // namespace hvt
