#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "hvtctl/PlkCommands.h"
#include "platform/AtomicFile.h"

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

  fs::path dir;
  std::ostringstream out, err;
};

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
  d["units"].erase(49);
  refused(d, "units: expected an array of 50");
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

TEST_F(PlkCommandsTest, DumpReportsForeignAndTruncatedFiles) {
  ASSERT_EQ(Run({"new", Path("a.plk")}), kExitOk);
  std::string bytes = Read(Path("a.plk"));

  std::string foreign = bytes;
  foreign[5] = 'X';
  Write(Path("foreign.plk"), foreign);
  EXPECT_EQ(Run({"dump", Path("foreign.plk")}), kExitUsage);
  EXPECT_EQ(err.str(), "hvtctl plk dump: " + Path("foreign.plk") + ": " + Path("foreign.plk") +
                           " not recognized.\nThis file may not be an HVT-KP4RS Document.\n");
  EXPECT_EQ(out.str(), "");

  Write(Path("short.plk"), bytes.substr(0, 9000));
  EXPECT_EQ(Run({"dump", Path("short.plk")}), kExitTruncated);
  EXPECT_EQ(err.str(), "hvtctl plk dump: " + Path("short.plk") + ": Unexpected file format.\n");

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
