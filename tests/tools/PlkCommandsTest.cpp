#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "hvtctl/OutputFile.h"
#include "hvtctl/PlkCommands.h"
#include "model/DocumentFile.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace hvt {
namespace {

class PlkCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("hvt-plk-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunPlkCommand(args, out, err);
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
  std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    return bytes;
  }
  void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(WriteFileAtomically(path, bytes));
  }

  // The dump of a new three-phase document, to change by hand.
  json NewDocumentJson() {
    EXPECT_EQ(Run({"new", "--force", Path("base.plk")}), kExitOk);
    EXPECT_EQ(Run({"dump", Path("base.plk")}), kExitOk);
    fs::remove(Path("base.plk"));
    return json::parse(out.str());
  }
  CPELKDoc Load(const std::string& path) {
    CPELKDoc doc;
    doc.SetDemoConfiguration(3);
    EXPECT_EQ(LoadDocument(doc, Read(path), *MakeCodec(1252)), LoadOutcome::Loaded);
    return doc;
  }
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(PlkCommandsTest, NewAndBuildReplaceAFileOnlyWhenForced) {
  ASSERT_EQ(Run({"new", "--type", "1", Path("e.plk")}), kExitOk);
  const std::string typeOne = Read(Path("e.plk"));
  const auto listing = Listing();

  EXPECT_EQ(Run({"new", Path("e.plk")}), kExitUsage);
  EXPECT_EQ(err.str(),
            "hvtctl plk new: " + Path("e.plk") + ": exists; give --force to replace it\n");
  EXPECT_EQ(Read(Path("e.plk")), typeOne);
  EXPECT_EQ(Listing(), listing);  // no temporary file left behind

  ASSERT_EQ(Run({"new", "--force", Path("e.plk")}), kExitOk);
  EXPECT_EQ(Read(Path("e.plk"))[41], 3);
  EXPECT_EQ(Listing(), listing);

  // A dangling link is not followed to create a file elsewhere.
  fs::create_symlink(dir / "nowhere.plk", dir / "dangling.plk");
  EXPECT_EQ(Run({"new", Path("dangling.plk")}), kExitUsage);
  EXPECT_FALSE(fs::exists(dir / "nowhere.plk"));

  Write(Path("e.json"), json{{"injectionUnitType", 1}}.dump());
  EXPECT_EQ(Run({"build", Path("e.json"), Path("e.plk")}), kExitUsage);
  EXPECT_EQ(Read(Path("e.plk"))[41], 3);
  ASSERT_EQ(Run({"build", "--force", Path("e.json"), Path("e.plk")}), kExitOk) << err.str();
  EXPECT_EQ(Read(Path("e.plk")), typeOne);
}

// The last guard when a file appears between the check and the write.
TEST_F(PlkCommandsTest, CreatingAFileNeverReplacesOne) {
  Write(Path("old.plk"), "old");
  const auto listing = Listing();
  std::string error;
  EXPECT_FALSE(CreateFileAtomically(Path("old.plk"), "new", &error));
  EXPECT_EQ(error, std::strerror(EEXIST));
  EXPECT_EQ(Read(Path("old.plk")), "old");
  EXPECT_EQ(Listing(), listing);

  const mode_t mask = ::umask(027);
  EXPECT_TRUE(CreateFileAtomically(Path("new.plk"), "new", &error)) << error;
  ::umask(mask);
  EXPECT_EQ(Read(Path("new.plk")), "new");
  // A new file's mode is the user's, as for any file the user creates.
  EXPECT_EQ(fs::status(dir / "new.plk").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Listing().size(), listing.size() + 1);
  EXPECT_FALSE(CreateFileAtomically(Path("no/such/folder/x.plk"), "x", &error));
}

TEST_F(PlkCommandsTest, AnOutputThatIsTheInputIsRefusedEvenWhenForced) {
  const std::string text = json{{"injectionUnitType", 1}}.dump();
  Write(Path("x.json"), text);
  fs::create_symlink(dir / "x.json", dir / "link.json");
  fs::create_hard_link(dir / "x.json", dir / "hard.json");
  fs::create_directories(dir / "sub");
  for (const std::string& output :
       {Path("x.json"), Path("link.json"), Path("hard.json"), Path("sub/../x.json")}) {
    EXPECT_EQ(Run({"build", "--force", Path("x.json"), output}), kExitUsage) << output;
    EXPECT_EQ(err.str().rfind("hvtctl plk build: " + output + ": is the input file", 0), 0u)
        << err.str();
    EXPECT_EQ(Read(Path("x.json")), text);
  }
  EXPECT_EQ(Run({"build", "--force", Path("link.json"), Path("hard.json")}), kExitUsage);
  EXPECT_EQ(Read(Path("x.json")), text);
}

TEST_F(PlkCommandsTest, DashIsStandardOutputNeverAFile) {
  ASSERT_EQ(Run({"new", "--type", "1", "-"}), kExitOk) << err.str();
  EXPECT_EQ(out.str().size(), 18385u);
  EXPECT_EQ(out.str()[41], 1);
  Write(Path("a.json"), "{}");
  ASSERT_EQ(Run({"build", Path("a.json"), "-"}), kExitOk) << err.str();
  EXPECT_EQ(out.str().size(), 18385u);
  EXPECT_FALSE(fs::exists("-"));
  EXPECT_FALSE(fs::exists(Path("-")));
}

TEST_F(PlkCommandsTest, StepsAsAPlainListFillTheOddPositions) {
  json doc = NewDocumentJson();
  doc["programs"][0]["steps"] = {1, 2};
  doc["programs"][1]["steps"] = {"LineOn", 50, "LineOff", 100, 999};
  json full = json::array();
  for (int n = 1; n <= 50; ++n) full.push_back(n);
  doc["programs"][2]["steps"] = full;
  Write(Path("p.json"), doc.dump());
  ASSERT_EQ(Run({"build", Path("p.json"), Path("p.plk")}), kExitOk) << err.str();
  CPELKDoc built = Load(Path("p.plk"));
  std::array<uint16_t, 100> expected{};
  expected[0] = 1;
  expected[2] = 2;
  EXPECT_EQ(built.program(1).steps, expected);  // [1, 2] runs unit 1, then unit 2
  EXPECT_EQ(built.CountProgramSteps(1), 2);
  expected = {};
  const uint16_t codes[5] = {kStepLineOn, 50, kStepLineOff, kStepLineOff, kStepLineOn};
  for (size_t k = 0; k < 5; ++k) expected[2 * k] = codes[k];
  EXPECT_EQ(built.program(2).steps, expected);
  EXPECT_EQ(built.CountProgramSteps(3), 50);
  EXPECT_EQ(built.program(3).step(99), 50);

  ASSERT_EQ(Run({"dump", Path("p.plk")}), kExitOk);
  const json dumped = json::parse(out.str());
  EXPECT_EQ(dumped["programs"][0]["steps"], json({1, 2}));
  EXPECT_EQ(dumped["programs"][1]["steps"], json({"LineOn", 50, "LineOff", "LineOff", "LineOn"}));

  // Positions a plain list cannot give keep their stored form, byte for byte.
  std::vector<int> raw(100, 0);
  raw[0] = 1;
  raw[1] = 7;  // between two steps
  raw[5] = 3;  // after a hole
  doc["programs"][3]["steps"] = raw;
  Write(Path("r.json"), doc.dump());
  ASSERT_EQ(Run({"build", Path("r.json"), Path("r.plk")}), kExitOk) << err.str();
  ASSERT_EQ(Run({"dump", Path("r.plk")}), kExitOk);
  EXPECT_EQ(json::parse(out.str())["programs"][3]["steps"], json(raw));
  Write(Path("r2.json"), out.str());
  ASSERT_EQ(Run({"build", Path("r2.json"), Path("r2.plk")}), kExitOk) << err.str();
  EXPECT_EQ(Read(Path("r2.plk")), Read(Path("r.plk")));

  for (const json& bad : {json(std::vector<int>(51, 1)), json({1, "Line"}), json({1, -1}),
                          json(std::vector<int>(99, 0)), json("1, 2")}) {
    doc["programs"][0]["steps"] = bad;
    Write(Path("b.json"), doc.dump());
    EXPECT_EQ(Run({"build", Path("b.json"), Path("b.plk")}), kExitUsage) << bad;
    EXPECT_NE(err.str().find("programs[0].steps"), std::string::npos) << err.str();
  }
}

TEST_F(PlkCommandsTest, BuildRefusesValuesNoInstrumentAccepts) {
  const json good = NewDocumentJson();
  json d = good;
  d["units"][0]["voltage"] = 99999;
  Write(Path("v.json"), d.dump());
  EXPECT_EQ(Run({"build", Path("v.json"), Path("v.plk")}), kExitUsage);
  EXPECT_EQ(err.str(), "hvtctl plk build: " + Path("v.json") +
                           ": units[0].voltage: 99999 (0.01 kV) is above 410, the 4.10 kV "
                           "allowed into the terminator Int on a 4.10 kV instrument\n");
  EXPECT_FALSE(fs::exists(Path("v.plk")));
  // Made on purpose: the value is stored as given.
  ASSERT_EQ(Run({"build", "--unchecked", Path("v.json"), Path("v.plk")}), kExitOk);
  EXPECT_EQ(Load(Path("v.plk")).unit(1).voltage, 99999);

  // The limit follows the terminator; each problem is named.
  d = good;
  d["units"][1]["terminator"] = 0;
  d["units"][1]["voltage"] = 800;  // open: 8.00 kV
  d["units"][2]["terminator"] = 2;
  d["units"][2]["voltageStop"] = 397;  // 50 ohm: 3.96 kV
  d["units"][3]["terminator"] = 5;
  d["units"][4]["sweepOrder"] = {4, 5, 0, 1, 2, 9};
  d["units"][5]["name"] = std::string(21, 'n');
  d["units"][6]["name"] = "\xC3\xA9" + std::string(19, 'n');  // é is one byte in 1252
  d["programs"][7]["steps"] = {1, 51};
  d["programs"][8]["memo"] = std::string(1025, 'm');
  d["currentProgram"] = 51;
  d["eutTexts"][0] = std::string(71, 'e');
  Write(Path("m.json"), d.dump());
  EXPECT_EQ(Run({"build", Path("m.json"), Path("m.plk")}), kExitUsage);
  const std::string at = "hvtctl plk build: " + Path("m.json") + ": ";
  for (const std::string& expected :
       {at + "units[2].voltageStop: 397 (0.01 kV) is above 396",
        at + "units[3].terminator: 5 is not a terminator code (0 Open, 1 Int, 2 Ext 50 ohm, 3 Ext "
             "60 ohm)",
        at + "units[4].sweepOrder[5]: 9 is not a sweep parameter",
        at + "units[5].name: 21 bytes is longer than the 20 bytes one can type",
        at + "programs[7].steps[1]: 51 is not a step code",
        at + "programs[8].memo: 1025 bytes is longer than the 1024",
        at + "currentProgram: 51 is not a program number 1..50",
        at + "eutTexts[0]: 71 bytes is longer than the 70"}) {
    EXPECT_NE(err.str().find(expected), std::string::npos) << expected << "\n" << err.str();
  }
  EXPECT_EQ(err.str().find("units[1]"), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("units[6]"), std::string::npos) << err.str();

  // A type 1 unit has no line code 5.
  d = good;
  d["injectionUnitType"] = 1;
  for (auto& unit : d["units"]) unit["returnLine"] = 4;
  d["units"][0]["returnLine"] = 5;
  Write(Path("t.json"), d.dump());
  EXPECT_EQ(Run({"build", Path("t.json"), Path("t.plk")}), kExitUsage);
  EXPECT_NE(err.str().find("units[0].returnLine: 5 is not a return line code 0..4"),
            std::string::npos)
      << err.str();
}

TEST_F(PlkCommandsTest, InvalidJsonIsReportedWithLineAndColumn) {
  Write(Path("x.json"), "{\n  \"units\": [1,\n  ]\n}");
  EXPECT_EQ(Run({"build", Path("x.json"), Path("x.plk")}), kExitUsage);
  EXPECT_EQ(err.str().rfind("hvtctl plk build: " + Path("x.json") +
                                ": line 3, column 3: invalid "
                                "JSON: syntax error",
                            0),
            0u)
      << err.str();
  Write(Path("y.json"), "{\"testMemo\": \"\xC3\xA9\xC3\xA9\" x}");
  EXPECT_EQ(Run({"build", Path("y.json"), Path("y.plk")}), kExitUsage);
  EXPECT_NE(err.str().find(": line 1, column 19: invalid JSON"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(Path("x.plk")));
}

TEST_F(PlkCommandsTest, ListShowsTheUnitOverviewAndTheProgramsWithSteps) {
  json doc = NewDocumentJson();
  auto& u = doc["units"][1];
  u.update(json{{"voltage", 250},
                {"voltageStop", 400},
                {"voltageStep", 50},
                {"voltageSweep", 1},
                {"testMode", 1},
                {"triggerMode", 0},
                {"phase", 90},
                {"terminator", 0},
                {"widthIndex", 8},
                {"injectionLine", 3},
                {"polarity", 1},
                {"name", "Surge"}});
  doc["units"][2]["terminator"] = 1;
  doc["units"][2]["injectionLine"] = 4;  // PLUG
  doc["programs"][4]["steps"] = {"LineOn", 2, "LineOff"};
  doc["programs"][4]["times"] = 3;
  Write(Path("l.json"), doc.dump());
  ASSERT_EQ(Run({"build", Path("l.json"), Path("l.plk")}), kExitOk) << err.str();
  ASSERT_EQ(Run({"list", Path("l.plk")}), kExitOk) << err.str();
  const std::string text = out.str();
  EXPECT_EQ(text.rfind("No  +/-  WIDTH  VOL1  VOL2  VOL3  TRG1   TRG2  TRG3  INJ   RET  TERM     "
                       "UnitName\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\n 2  -    Tri    2.50  4.00  0.50  90deg              N     SG   Open     "
                      "Surge\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n 3  +    10     0.01              20ms               PLUG  SG   Int60"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("      5      3  Program05\n         LineOn -> 2 Surge -> LineOff\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Program01"), std::string::npos);  // no steps: not listed
  EXPECT_EQ(Run({"list"}), kExitUsage);
}

TEST_F(PlkCommandsTest, SchemaIsPrintedAndEachCommandHasItsHelp) {
  ASSERT_EQ(Run({"schema"}), kExitOk);
  const json schema = json::parse(out.str());
  EXPECT_EQ(schema["$schema"], "https://json-schema.org/draft/2020-12/schema");
  const std::string voltage = schema["$defs"]["unit"]["properties"]["voltage"]["description"];
  EXPECT_NE(voltage.find("0.01 kV"), std::string::npos);
  EXPECT_EQ(Run({"schema", "x"}), kExitUsage);

  ASSERT_EQ(Run({"new", "--help"}), kExitOk);
  EXPECT_NE(out.str().find("--force"), std::string::npos);
  EXPECT_EQ(out.str().find("--unchecked"), std::string::npos);
  ASSERT_EQ(Run({"build", Path("a.json"), "--help"}), kExitOk);
  EXPECT_NE(out.str().find("--unchecked"), std::string::npos);
  EXPECT_EQ(Run({"new", "--unchecked", Path("n.plk")}), kExitUsage);
  EXPECT_NE(err.str().find("unknown option --unchecked"), std::string::npos);
  for (const char* command : {"dump", "list", "schema"}) {
    ASSERT_EQ(Run({command, "-h"}), kExitOk);
    EXPECT_EQ(out.str().rfind(std::string("Usage: hvtctl plk ") + command, 0), 0u) << out.str();
  }
}

TEST_F(PlkCommandsTest, NewWritesANewDocumentOfTheType) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk) << err.str();
  const std::string three = Read(Path("a.plk"));
  EXPECT_EQ(three.size(), 18385u);
  EXPECT_EQ(three[41], 3);

  ASSERT_EQ(Run({"new", "--type", "1", Path("b.plk")}), kExitOk);
  const std::string one = Read(Path("b.plk"));
  EXPECT_EQ(one.size(), 18385u);
  EXPECT_EQ(one[41], 1);

  ASSERT_EQ(Run({"dump", Path("b.plk")}), kExitOk);
  const json doc = json::parse(out.str());
  EXPECT_EQ(doc["injectionUnitType"], 1);
  EXPECT_EQ(doc["portNumber"], 1);
  EXPECT_EQ(doc["units"].size(), 50u);
  EXPECT_EQ(doc["units"][0]["returnLine"], 4);
  EXPECT_EQ(doc["units"][6]["name"], "Unit07");
  EXPECT_FALSE(doc["units"][0].contains("injectionSweep"));
  EXPECT_EQ(doc["programs"][2]["name"], "Program03");
  EXPECT_EQ(doc["programs"][2]["steps"], json::array());  // no steps, as a plain list

  EXPECT_EQ(Run({"new", "--type", "2", Path("c.plk")}), kExitUsage);
  EXPECT_EQ(Run({"new"}), kExitUsage);
  EXPECT_FALSE(fs::exists(Path("c.plk")));
}

TEST_F(PlkCommandsTest, DumpThenBuildGivesBackTheSameBytes) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", Path("a.plk")}), kExitOk);
  json doc = json::parse(out.str());
  doc["units"][0]["name"] = "Caf\xC3\xA9 \xE2\x82\xAC";  // é and € in 1252
  doc["units"][1]["name"] = json{{"hex", "81ff00"}};     // bytes given as hex
  doc["units"][2]["voltage"] = 350;
  doc["programs"][0]["steps"][0] = 2;
  doc["programs"][0]["memo"] = std::string(70000, 'm');
  doc["testMemo"] = "line 1\r\nline 2";
  doc["eutTexts"][3] = "23";
  Write(Path("a.json"), doc.dump());
  // A memo longer than one can type: only for making such files on purpose.
  ASSERT_EQ(Run({"build", Path("a.json"), Path("b.plk")}), kExitUsage);
  ASSERT_EQ(Run({"build", "--unchecked", Path("a.json"), Path("b.plk")}), kExitOk) << err.str();
  const std::string built = Read(Path("b.plk"));
  EXPECT_NE(built.find("Caf\xE9 \x80"), std::string::npos);

  ASSERT_EQ(Run({"dump", Path("b.plk")}), kExitOk);
  const json again = json::parse(out.str());
  // Every byte has a character in 1252, so the hex form is not needed there.
  EXPECT_EQ(again["units"][1]["name"], std::string("\xC2\x81\xC3\xBF\0", 5));
  Write(Path("b.json"), out.str());
  ASSERT_EQ(Run({"build", "--unchecked", Path("b.json"), Path("c.plk")}), kExitOk) << err.str();
  EXPECT_EQ(Read(Path("c.plk")), built);
}

TEST_F(PlkCommandsTest, BuildAppliesTheSaveCorrections) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", Path("a.plk")}), kExitOk);
  json doc = json::parse(out.str());
  doc["units"][0]["phase"] = 10;
  doc["units"][0]["phaseStop"] = 40;
  doc["units"][0]["phaseStep"] = 0;
  doc["units"][0]["voltage"] = 0;
  doc["programs"][0]["times"] = 0;
  Write(Path("a.json"), doc.dump());
  ASSERT_EQ(Run({"build", Path("a.json"), Path("b.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", Path("b.plk")}), kExitOk);
  const json stored = json::parse(out.str());
  EXPECT_EQ(stored["units"][0]["phaseStep"], 30);
  EXPECT_EQ(stored["units"][0]["voltage"], 1);
  EXPECT_EQ(stored["programs"][0]["times"], 1);
}

TEST_F(PlkCommandsTest, BuildRefusesBadJson) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", Path("a.plk")}), kExitOk);
  const json good = json::parse(out.str());
  const auto refused = [&](json doc, const std::string& expected) {
    Write(Path("x.json"), doc.dump());
    EXPECT_EQ(Run({"build", Path("x.json"), Path("x.plk")}), kExitUsage) << expected;
    EXPECT_NE(err.str().find(expected), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("x.plk")));
  };
  json d = good;
  d["units"][0]["voltag"] = 1;
  refused(d, "units[0].voltag: unknown field");
  d = good;
  d["units"][0]["voltage"] = 3000000000LL;
  refused(d, "units[0].voltage: out of range");
  d = good;
  d["programs"][1]["steps"] = std::vector<int>(100, 0);  // the stored positions
  d["programs"][1]["steps"][4] = 70000;
  refused(d, "programs[1].steps[4]: out of range");
  d = good;
  d["units"].push_back(good["units"][0]);
  refused(d,
          "units: expected an array of up to 50 units or an object keyed by unit number "
          "1..50, not an array of 51");
  d = good;
  d["programs"] = "all";
  refused(d, "programs: expected an array of up to 50 programs or an object keyed by program");
  d = good;
  d["testMemo"] = "\xE3\x81\x82";
  refused(d, "testMemo: text cannot be written in code page 1252");
  d = good;
  d["header"] = "Other";
  refused(d, "header");
  d = good;
  d["injectionUnitType"] = 2;
  refused(d, "injectionUnitType: must be 1 or 3");

  Write(Path("x.json"), "{ not json");
  EXPECT_EQ(Run({"build", Path("x.json"), Path("x.plk")}), kExitUsage);
  EXPECT_EQ(Run({"build", Path("missing.json"), Path("x.plk")}), kExitUsage);
}

// Units and programs left out of a hand-made document, as a short array or
// as numbers missing from an object, are those of a new document; the
// numbers are the program's own, from 1.
TEST_F(PlkCommandsTest, PartialDocumentsTakeTheRestFromANewDocument) {
  ASSERT_EQ(Run({"new", "--type", "1", Path("new1.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", Path("new1.plk")}), kExitOk);
  const json fresh = json::parse(out.str());

  Write(Path("p.json"), R"({"injectionUnitType": 1,
    "units": {"50": {"voltage": 300}, "1": {"name": "First"}, "7": {"terminator": 0}},
    "programs": [{"steps": [50, 1]}, {"times": 4}]})");
  ASSERT_EQ(Run({"build", Path("p.json"), Path("p.plk")}), kExitOk) << err.str();
  ASSERT_EQ(Run({"dump", Path("p.plk")}), kExitOk);
  const json built = json::parse(out.str());
  json expected = fresh;
  expected["units"][49]["voltage"] = 300;
  expected["units"][0]["name"] = "First";
  expected["units"][6]["terminator"] = 0;
  expected["programs"][0]["steps"] = {50, 1};
  expected["programs"][1]["times"] = 4;
  EXPECT_EQ(built, expected) << built.dump(1);
  EXPECT_EQ(built["units"][20]["returnLine"], 4);  // a single-phase unit's default

  // The other form of each gives the same document.
  Write(Path("q.json"), R"({"injectionUnitType": 1,
    "units": [{"name": "First"}, {}, {}, {}, {}, {}, {"terminator": 0}],
    "programs": {"2": {"times": 4}, "1": {"steps": [50, 1]}}})");
  ASSERT_EQ(Run({"build", Path("q.json"), Path("q.plk")}), kExitOk) << err.str();
  ASSERT_EQ(Run({"dump", Path("q.plk")}), kExitOk);
  json q = json::parse(out.str());
  q["units"][49]["voltage"] = 300;
  EXPECT_EQ(q, expected);

  // Empty ones change nothing.
  Write(Path("e.json"), R"({"units": {}, "programs": []})");
  ASSERT_EQ(Run({"build", Path("e.json"), Path("e.plk")}), kExitOk) << err.str();
  ASSERT_EQ(Run({"new", Path("n3.plk")}), kExitOk);
  EXPECT_EQ(Read(Path("e.plk")), Read(Path("n3.plk")));
}

TEST_F(PlkCommandsTest, BadNumbersAndKeysGivenTwiceAreRefusedByPath) {
  const auto refused = [&](const std::string& text, const std::string& expected) {
    Write(Path("x.json"), text);
    EXPECT_EQ(Run({"build", Path("x.json"), Path("x.plk")}), kExitUsage) << text;
    EXPECT_EQ(err.str(), "hvtctl plk build: " + Path("x.json") + ": " + expected + "\n") << text;
    EXPECT_FALSE(fs::exists(Path("x.plk")));
  };
  refused(R"({"units": {"0": {}}})", R"(units["0"]: not a unit number 1..50)");
  refused(R"({"units": {"51": {}}})", R"(units["51"]: not a unit number 1..50)");
  refused(R"({"programs": {"x": {}}})", "programs.x: not a program number 1..50");
  refused(R"({"units": {"03": {}}})",
          R"(units["03"]: unit numbers are written without leading zeros)");
  // The parser would keep only the last of two equal keys.
  refused(R"({"units": {"3": {"voltage": 100}, "3": {"voltage": 200}}})",
          R"(units["3"]: given twice in one object)");
  refused(R"({"units": [{}, {"voltage": 100, "name": "a", "voltage": 200}]})",
          "units[1].voltage: given twice in one object");
  refused(R"({"programs": {"4": {"steps": [[], {"a": 1, "a": 1}]}}})",
          R"(programs["4"].steps[1].a: given twice in one object)");
  refused(R"({"testMemo": "a", "testMemo": "b"})", "testMemo: given twice in one object");
  // A value an instrument refuses is named where it was given.
  refused(R"({"units": {"12": {"widthIndex": 9}}})",
          R"(units["12"].widthIndex: 9 is not a width index 0..8)");
  refused(
      R"({"programs": {"9": {"steps": [1, 0]}}})",
      R"(programs["9"].steps[1]: 0 is not a step code (1..50 a unit, 100 "LineOff", 999 "LineOn"))");
}

// The example in the help is a document that builds into what it says.
TEST_F(PlkCommandsTest, TheHelpsExampleBuilds) {
  ASSERT_EQ(Run({"build", "--help"}), kExitOk);
  const std::string help = out.str();
  const size_t example = help.find("Example:");
  ASSERT_NE(example, std::string::npos) << help;
  const size_t from = help.find('\n', example) + 1;
  const size_t to = help.find("\n\n", from);
  const std::string text = help.substr(from, to - from);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;  // three lines
  Write(Path("ex.json"), text);
  ASSERT_EQ(Run({"build", Path("ex.json"), Path("ex.plk")}), kExitOk) << err.str();
  CPELKDoc doc = Load(Path("ex.plk"));
  EXPECT_EQ(doc.unit(3).voltage, 200);
  EXPECT_EQ(doc.unit(3).terminator, 1);
  EXPECT_EQ(doc.unit(2).voltage, 1);
  EXPECT_EQ(doc.CountProgramSteps(1), 2);
  EXPECT_EQ(doc.program(1).step(1), 3);
  EXPECT_EQ(doc.program(1).step(3), 3);
  EXPECT_EQ(doc.programMode, 1);
  EXPECT_EQ(doc.currentUnit, 3);
}

TEST_F(PlkCommandsTest, DumpReportsForeignAndTruncatedFiles) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  std::string bytes = Read(Path("a.plk"));

  std::string foreign = bytes;
  foreign[5] = 'X';
  Write(Path("foreign.plk"), foreign);
  EXPECT_EQ(Run({"dump", Path("foreign.plk")}), kExitUsage);
  EXPECT_EQ(err.str(), "hvtctl plk dump: " + Path("foreign.plk") + ": " + Path("foreign.plk") +
                           " not recognized.\nThis file may not be an HVT-KP4RS Document.\n"
                           "hvtctl plk dump: " +
                           Path("foreign.plk") +
                           ": Its header reads \"HVT-XP4 Remote Control Software Ver2.0.0\".\n");
  EXPECT_EQ(out.str(), "");

  Write(Path("short.plk"), bytes.substr(0, 9000));
  EXPECT_EQ(Run({"dump", Path("short.plk")}), kExitTruncated);
  EXPECT_EQ(err.str(), "hvtctl plk dump: " + Path("short.plk") +
                           ": Unexpected file format.\nhvtctl plk dump: " + Path("short.plk") +
                           ": the file ends at byte 9000\n");

  Write(Path("empty.plk"), "");
  EXPECT_EQ(Run({"dump", Path("empty.plk")}), kExitTruncated);
  EXPECT_EQ(Run({"dump", Path("none.plk")}), kExitUsage);
}

TEST_F(PlkCommandsTest, CodePage932Texts) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  ASSERT_EQ(Run({"dump", "--codepage", "932", Path("a.plk")}), kExitOk);
  json doc = json::parse(out.str());
  doc["units"][0]["name"] = "\xE4\xB8\x89\xE8\xA7\x92\xE6\xB3\xA2";  // 三角波
  Write(Path("a.json"), doc.dump());
  ASSERT_EQ(Run({"build", "--codepage", "932", Path("a.json"), Path("b.plk")}), kExitOk)
      << err.str();
  EXPECT_NE(Read(Path("b.plk")).find("\x06\x8eO\x8ap\x94g"), std::string::npos);
  ASSERT_EQ(Run({"dump", "--codepage", "932", Path("b.plk")}), kExitOk);
  EXPECT_EQ(json::parse(out.str())["units"][0]["name"], doc["units"][0]["name"]);
  EXPECT_EQ(Run({"dump", "--codepage", "65001", Path("b.plk")}), kExitUsage);

  // A lone lead byte is no Shift-JIS text: it is dumped as hex and built back.
  doc["units"][0]["name"] = json{{"hex", "4182"}};
  Write(Path("c.json"), doc.dump());
  ASSERT_EQ(Run({"build", "--codepage", "932", Path("c.json"), Path("c.plk")}), kExitOk)
      << err.str();
  ASSERT_EQ(Run({"dump", "--codepage", "932", Path("c.plk")}), kExitOk);
  EXPECT_EQ(json::parse(out.str())["units"][0]["name"], (json{{"hex", "4182"}}));
  Write(Path("d.json"), out.str());
  ASSERT_EQ(Run({"build", "--codepage", "932", Path("d.json"), Path("d.plk")}), kExitOk);
  EXPECT_EQ(Read(Path("d.plk")), Read(Path("c.plk")));
}

TEST_F(PlkCommandsTest, HelpDescribesEveryOption) {
  ASSERT_EQ(Run({"--help"}), kExitOk);
  for (const char* word : {"new", "dump", "build", "--type", "--codepage"}) {
    EXPECT_NE(out.str().find(word), std::string::npos) << word;
  }
  EXPECT_EQ(Run({"frobnicate"}), kExitUsage);
}

}  // namespace
}  // namespace hvt
