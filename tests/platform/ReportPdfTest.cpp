#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "hvtctl/PlkCommands.h"
#include "hvtctl/ReportCommand.h"
#include "model/DocumentFile.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/QtReportCanvas.h"

namespace hvt {
namespace {

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Output of a command; empty when it fails.
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) out.clear();
  }
  return out;
}

class ReportPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    StringTable::SetLanguage(Language::English);
    // The settings file of this test only.
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    SettingsFile settings(SettingsFile::PathUnder(Path("")));
    settings.WriteSetting("PRINT_ENV", "Model", "KP4-410");
    settings.WriteSetting("PRINT_ENV", "Serial", "S-0042");
  }

  std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

  // A document showing program 3 of twelve steps: LineOn, units 1..10, LineOff.
  std::string WriteProgramDocument() {
    CPELKDoc doc;
    doc.SetDemoConfiguration(3);
    doc.InitNewDocument();
    doc.programMode = 1;
    doc.currentProgram = 3;
    const uint16_t codes[12] = {kStepLineOn, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kStepLineOff};
    for (int k = 0; k < 12; ++k) doc.program(3).step(2 * k + 1) = codes[k];
    for (int n = 1; n <= 10; ++n) doc.unit(n).name = "Bench unit " + std::to_string(n);
    doc.testMemo = "Mains port, pulses on L1 and N.";
    const std::string path = Path("program.plk");
    EXPECT_TRUE(WriteFileAtomically(path, StoreDocument(doc)));
    return path;
  }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunReportCommand(args, out, err);
  }

  QTemporaryDir dir;
  std::ostringstream out, err;
};

TEST_F(ReportPdfTest, ProgramReportOfTwelveStepsHasThreePages) {
  const std::string plk = WriteProgramDocument();
  const std::string pdf = Path("report.pdf");
  ASSERT_EQ(Run({plk, pdf, "--date", "2024-03-05"}), kExitOk) << err.str();
  EXPECT_NE(out.str().find("3 pages"), std::string::npos);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(pdf, bytes));
  EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);

  if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  const std::string all = Capture("pdftotext -layout '" + pdf + "' -");
  const std::string page1 = Capture("pdftotext -layout -f 1 -l 1 '" + pdf + "' -");
  const std::string page3 = Capture("pdftotext -layout -f 3 -l 3 '" + pdf + "' -");
  ASSERT_FALSE(all.empty());
  EXPECT_NE(page1.find("Impulse Noise Immunity Test Report"), std::string::npos);
  EXPECT_NE(page1.find("Page 1 / 3"), std::string::npos);
  EXPECT_NE(page1.find("Tue, Mar 5, 2024"), std::string::npos);
  EXPECT_NE(page1.find("KP4-410"), std::string::npos);  // from the settings file
  EXPECT_NE(page1.find("S-0042"), std::string::npos);
  EXPECT_NE(page1.find("Program03"), std::string::npos);
  EXPECT_NE(page3.find("Page 3 / 3"), std::string::npos);
  EXPECT_NE(page3.find("Bench unit 10"), std::string::npos);
  EXPECT_NE(page3.find("LineOff"), std::string::npos);
  for (int n = 1; n <= 10; ++n) {
    EXPECT_NE(all.find("Bench unit " + std::to_string(n)), std::string::npos) << n;
  }
  EXPECT_EQ(Capture("pdfinfo '" + pdf + "' | grep -c '^Pages: *3$'"), "1\n");
}

TEST_F(ReportPdfTest, UnitReportAndOptions) {
  const std::string plk = WriteProgramDocument();
  const std::string pdf = Path("unit.pdf");
  ASSERT_EQ(Run({plk, pdf, "--unit", "4", "--model", "Other model", "--paper", "letter", "--date",
                 "2025-01-01"}),
            kExitOk)
      << err.str();
  EXPECT_NE(out.str().find("1 page"), std::string::npos);
  if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
  const std::string text = Capture("pdftotext -layout '" + pdf + "' -");
  EXPECT_NE(text.find("Bench unit 4"), std::string::npos);
  EXPECT_NE(text.find("Other model"), std::string::npos);
  EXPECT_NE(text.find("Page 1 / 1"), std::string::npos);
  EXPECT_NE(text.find("Wed, Jan 1, 2025"), std::string::npos);
  EXPECT_NE(Capture("pdfinfo '" + pdf + "'").find("(letter)"), std::string::npos);
}

TEST_F(ReportPdfTest, RefusesBadArgumentsAndForeignFiles) {
  const std::string plk = WriteProgramDocument();
  const std::string pdf = Path("never.pdf");
  EXPECT_EQ(Run({plk, pdf, "--unit", "1", "--program", "2"}), kExitUsage);
  EXPECT_EQ(Run({plk, pdf, "--unit", "51"}), kExitUsage);
  EXPECT_EQ(Run({plk, pdf, "--date", "2025-02-30"}), kExitUsage);
  EXPECT_EQ(Run({plk, pdf, "--paper", "a3"}), kExitUsage);
  EXPECT_EQ(Run({plk}), kExitUsage);
  ASSERT_TRUE(WriteFileAtomically(Path("foreign.plk"), std::string(400, 'x')));
  EXPECT_EQ(Run({Path("foreign.plk"), pdf}), kExitUsage);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(plk, bytes));
  ASSERT_TRUE(WriteFileAtomically(Path("short.plk"), bytes.substr(0, bytes.size() / 2)));
  EXPECT_EQ(Run({Path("short.plk"), pdf}), kExitTruncated);
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(Run({plk, Path("no/such/folder/out.pdf")}), kExitFailure);
}

// Folder contents, to show that no temporary file was left behind.
std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ReportPdfTest, NeverReplacesTheDocumentItIsMadeFrom) {
  const std::string plk = WriteProgramDocument();
  std::string before;
  ASSERT_TRUE(ReadWholeFile(plk, before));
  std::filesystem::create_symlink(plk, Path("link.plk"));
  std::filesystem::create_hard_link(plk, Path("hard.plk"));
  const auto listing = Listing(dir.path().toStdString());

  for (const std::string& output :
       {plk, Path("link.plk"), Path("hard.plk"), Path("./program.plk")}) {
    EXPECT_EQ(Run({plk, output}), kExitUsage) << output;
    EXPECT_EQ(err.str().rfind("hvtctl report: " + output + ": ", 0), 0u) << err.str();
    std::string after;
    ASSERT_TRUE(ReadWholeFile(plk, after));
    EXPECT_EQ(after, before);
  }
  EXPECT_EQ(Listing(dir.path().toStdString()), listing);

  // "-" is standard output: the PDF itself, and no file of that name.
  ASSERT_EQ(Run({plk, "-", "--unit", "1"}), kExitOk) << err.str();
  EXPECT_EQ(out.str().rfind("%PDF-", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(Path("-")));
  EXPECT_FALSE(std::filesystem::exists("-"));
}

TEST(ReportCanvasFonts, StandInsForMissingFaces) {
  if (!QFontDatabase::hasFamily("Courier New") && QFontDatabase::hasFamily("Liberation Mono")) {
    EXPECT_EQ(QtReportCanvas::ResolveFamily("Courier New", true), "Liberation Mono");
  }
  if (!QFontDatabase::hasFamily("Times New Roman") &&
      QFontDatabase::hasFamily("Liberation Serif")) {
    EXPECT_EQ(QtReportCanvas::ResolveFamily("Times New Roman", false), "Liberation Serif");
  }
  // "ＭＳ ゴシック" and "ＭＳ Ｐ明朝".
  const QString gothic = QString::fromUtf8(
      "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
  const QString mincho =
      QString::fromUtf8("\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D");
  if (!QFontDatabase::hasFamily(gothic) && QFontDatabase::hasFamily("Noto Sans Mono CJK JP")) {
    EXPECT_EQ(QtReportCanvas::ResolveFamily(gothic, true), "Noto Sans Mono CJK JP");
  }
  if (!QFontDatabase::hasFamily(gothic) && QFontDatabase::hasFamily("Noto Sans CJK JP")) {
    EXPECT_EQ(QtReportCanvas::ResolveFamily(gothic, false), "Noto Sans CJK JP");
  }
  if (!QFontDatabase::hasFamily(mincho) && QFontDatabase::hasFamily("Noto Serif CJK JP")) {
    EXPECT_EQ(QtReportCanvas::ResolveFamily(mincho, false), "Noto Serif CJK JP");
  }
  EXPECT_EQ(QtReportCanvas::ResolveFamily("No Such Face", true), "No Such Face");
}

}  // namespace
}  // namespace hvt

// Not the shared widget main: hvtctl makes its PDFs without widgets, so a
// QGuiApplication, as in hvtctl.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
