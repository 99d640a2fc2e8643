// hvtctl report against hvt-sim: the instrument's widths and terminator in
// the report.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>

#include "model/DocumentFile.h"
#include "support/SimProcess.h"

namespace hvt {
namespace {

namespace fs = std::filesystem;

// Unit 1 in SWEEP mode sweeping its width from index 2 to 7, into the
// external terminator (code 2).
std::string WidthSweepDocument(int type) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  UnitRecord& u = doc.unit(1);
  u.testMode = 1;
  u.widthSweep = 1;
  u.widthIndex = 2;
  u.widthIndexStop = 7;
  u.terminator = 2;
  doc.currentUnit = 1;
  doc.programMode = 0;
  return StoreDocument(doc);
}

class HvtctlReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("hvtctl-report-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  // Exit code of hvtctl report; the PDF's text in text.
  int Report(const std::string& plk, QStringList more) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.string()));  // no user settings
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.string()));
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    const QString pdf = QString::fromStdString((dir / "out.pdf").string());
    fs::remove(dir / "out.pdf");
    process.start(
        HVTCTL_PATH,
        QStringList{"report", QString::fromStdString(plk), pdf, "--date", "2025-03-05"} + more);
    EXPECT_TRUE(process.waitForFinished(30000));
    errors = process.readAllStandardError().toStdString();
    text.clear();
    if (fs::exists(dir / "out.pdf")) {
      QProcess pdftotext;
      pdftotext.start("pdftotext", {pdf, "-"});
      EXPECT_TRUE(pdftotext.waitForFinished(30000));
      text = pdftotext.readAllStandardOutput().toStdString();
    }
    return process.exitCode();
  }
  bool Has(const std::string& needle) const { return text.find(needle) != std::string::npos; }

  fs::path dir;
  std::string text, errors;
};

TEST_F(HvtctlReportTest, TheInstrumentsWidthTableAndTerminatorReachTheReport) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty())
    GTEST_SKIP() << "pdftotext is not installed";
  testing::SimProcess sim({"--widths", "100,150,250,300,450,600,2000", "--no-terminator"});
  ASSERT_FALSE(sim.Path().empty());
  const QString device = QString::fromStdString(sim.Path());
  const std::string plk = Write("sweep.plk", WidthSweepDocument(3));

  // Without an instrument: the demonstration values.
  ASSERT_EQ(Report(plk, {}), 0) << errors;
  EXPECT_TRUE(Has("100ns") && Has("1000ns") && Has("50ohm")) << text;

  ASSERT_EQ(Report(plk, {"--device", device}), 0) << errors;
  EXPECT_TRUE(Has("150ns")) << text;
  EXPECT_TRUE(Has("2000ns")) << text;
  EXPECT_TRUE(Has("60ohm") && !Has("50ohm")) << "no built-in terminator: " << text;

  // A document of the other injection unit type is refused, as on opening.
  const std::string single = Write("single.plk", WidthSweepDocument(1));
  EXPECT_EQ(Report(single, {"--device", device}), 2);
  EXPECT_NE(errors.find("differenet properties as to Injection Unit type"), std::string::npos)
      << errors;
  EXPECT_FALSE(fs::exists(dir / "out.pdf"));
  EXPECT_TRUE(sim.Stop());

  // Nobody answering: nothing is written, the reason is told.
  EXPECT_EQ(Report(plk, {"--device", QString::fromStdString((dir / "none").string())}), 1);
  EXPECT_FALSE(fs::exists(dir / "out.pdf"));
  EXPECT_NE(errors.find("no instrument answered"), std::string::npos) << errors;
}

}  // namespace
}  // namespace hvt
