#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <sstream>

#include "form/EquipmentNameInput.h"
#include "form/TestConditionsInput.h"
#include "hvtctl/ReportCommand.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"
#include "support/ViewRig.h"
#include "ui/MainFrame.h"
#include "ui/QtDialogs.h"
#include "ui/ReportPrinting.h"
#include "ui/ReportSetupDialogs.h"

namespace hvt {
namespace {

const std::chrono::year_month_day kDate = std::chrono::year{2025} / 3 / 5;

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string PdfText(const QString& pdf) {
  std::string out;
  const std::string command = "pdftotext '" + pdf.toStdString() + "' - 2>/dev/null";
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) out.clear();
  }
  return out;
}

// A document showing program 2 of twelve steps with everything the report
// prints filled in.
void FillProgramDocument(CPELKDoc& doc) {
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  doc.programMode = 1;
  doc.currentProgram = 2;
  const uint16_t codes[12] = {kStepLineOn, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kStepLineOff};
  for (int k = 0; k < 12; ++k) doc.program(2).step(2 * k + 1) = codes[k];
  doc.program(2).name = "Mains burst";
  for (int n = 1; n <= 10; ++n) doc.unit(n).name = "Bench unit " + std::to_string(n);
  doc.testMemo = "Mains port, pulses on L1 and N.";
  doc.eutTexts = {"Controller", "C-7", "0042", "21", "23", "40", "45", "1005", "1012"};
  doc.eutFloorStand = 1;
  doc.printModel = "KP4-410";
  doc.printSerial = "S-0042";
  doc.programStepCount = doc.CountProgramSteps(doc.currentProgram);
}

class ReportPrintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    StringTable::SetLanguage(Language::English);
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    FillProgramDocument(doc);
    printer.today = [] { return kDate; };
    printer.onError = [this](const QString& text) { errors << text; };
  }
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // What hvtctl report writes for the same document and date.
  std::string HvtctlReportText() {
    const std::string plk = Path("program.plk").toStdString();
    EXPECT_TRUE(WriteFileAtomically(plk, StoreDocument(doc)));
    std::ostringstream out, err;
    const std::string pdf = Path("hvtctl.pdf").toStdString();
    EXPECT_EQ(RunReportCommand({plk, pdf, "--date", "2025-03-05", "--model", "KP4-410", "--serial",
                                "S-0042", "--codepage", "1252"},
                               out, err),
              0)
        << err.str();
    return PdfText(Path("hvtctl.pdf"));
  }

  QTemporaryDir dir;
  CPELKDoc doc;
  int32_t pageCount = 0;
  std::unique_ptr<TextCodec> codec = MakeCodec(1252);
  QtReportPrinter printer{nullptr, *codec};
  QStringList errors;
};

TEST_F(ReportPrintingTest, PrintingToAPdfPrinterAndExportPdfGiveHvtctlsReport) {
  if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  const std::string expected = HvtctlReportText();
  ASSERT_NE(expected.find("Page 3 / 3"), std::string::npos);
  ASSERT_NE(expected.find("Wed, Mar 5, 2025"), std::string::npos);

  // The print path after the dialog: every page onto a PDF printer with the
  // same paper as hvtctl's.
  QPrinter pdfPrinter(QPrinter::HighResolution);
  pdfPrinter.setOutputFormat(QPrinter::PdfFormat);
  pdfPrinter.setOutputFileName(Path("printed.pdf"));
  pdfPrinter.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                       QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
  ReportJob job(doc, pageCount);
  EXPECT_EQ(pageCount, 3);
  ASSERT_TRUE(printer.PrintPages(pdfPrinter, job));
  EXPECT_EQ(PdfText(Path("printed.pdf")), expected);

  // A chosen range prints only its pages, with the job's count in the footer.
  pdfPrinter.setOutputFileName(Path("range.pdf"));
  pdfPrinter.setPrintRange(QPrinter::PageRange);
  pdfPrinter.setFromTo(2, 2);
  ASSERT_TRUE(printer.PrintPages(pdfPrinter, job));
  const std::string range = PdfText(Path("range.pdf"));
  EXPECT_NE(range.find("Page 2 / 3"), std::string::npos);
  EXPECT_EQ(range.find("Page 1 / 3"), std::string::npos);
  EXPECT_EQ(range.find("Page 3 / 3"), std::string::npos);

  // Export PDF: the same pages through the save dialog, written in one step.
  QDir exportDir(Path("export"));
  ASSERT_TRUE(exportDir.mkpath("."));
  QString proposed;
  printer.askPdfPath = [&](const QString& p) {
    proposed = p;
    return exportDir.filePath("report.pdf");
  };
  ASSERT_TRUE(printer.ExportPdf(job, "/srv/tests/night run.pdf"));
  EXPECT_EQ(proposed, "/srv/tests/night run.pdf");
  EXPECT_EQ(PdfText(exportDir.filePath("report.pdf")), expected);
  EXPECT_EQ(exportDir.entryList(QDir::Files), QStringList{"report.pdf"});
  printer.askPdfPath = [](const QString&) { return QString(); };
  EXPECT_FALSE(printer.ExportPdf(job, "report.pdf")) << "a cancelled save dialog writes nothing";
  printer.askPdfPath = [&](const QString&) { return Path("no-such-folder/report.pdf"); };
  EXPECT_FALSE(printer.ExportPdf(job, "report.pdf"));
  EXPECT_EQ(errors.size(), 1) << "a failed write is told";
}

TEST_F(ReportPrintingTest, PreviewOfATwelveStepProgramOffersThreePagesOneAtATime) {
  ReportJob job(doc, pageCount);
  auto preview = printer.MakePreview(job);
  auto* view = preview->findChild<QPrintPreviewWidget*>();
  ASSERT_NE(view, nullptr);
  view->updatePreview();
  EXPECT_EQ(view->pageCount(), 3);
  EXPECT_EQ(view->viewMode(), QPrintPreviewWidget::SinglePageView);
  EXPECT_EQ(view->currentPage(), 1);
  if (!qEnvironmentVariableIsEmpty("HVT_SHOTS")) {
    preview->resize(700, 800);
    preview->show();
    QApplication::processEvents();
    preview->grab().save(qEnvironmentVariable("HVT_SHOTS") + "/preview.png");
  }
}

TEST(ReportMenus, PrintPreviewAndExportGrayedDuringARunNotWithOnlyTheLineOn) {
  testing::ViewRig rig(testing::ViewRig::DefaultOptions(), true);
  QTemporaryDir dir;
  SettingsFile settings(std::filesystem::path(dir.path().toStdString()) / "HVT-KP4RS.INI");
  MainFrame frame(settings);
  frame.isCommandEnabled = [&](int command) {
    return rig.view->IsCommandEnabled(static_cast<CommandId>(command));
  };
  for (int state : {LineOn, Running, Paused}) {
    rig.view->runStatus.runState = state;
    frame.UpdateCommandStates();
    for (int command : {MainFrame::kFilePrint, MainFrame::kFilePrintPreview, MainFrame::kExportPdf})
      EXPECT_EQ(frame.Action(command)->isEnabled(), state == LineOn) << command << " " << state;
    EXPECT_TRUE(frame.Action(MainFrame::kFilePrintSetup)->isEnabled());
  }
  rig.view->runStatus.runState = Idle;
}

// Runs `act` on the dialog once it is shown modally.
template <class D>
void WhenShown(std::function<void(D&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

template <class W>
W* Child(QWidget& dialog, int id) {
  return dialog.findChild<W*>(QStringLiteral("c%1").arg(id));
}

// Types characters as a keyboard (or an input method) would, one by one.
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

void Shoot(QWidget& dialog, const char* name) {
  if (qEnvironmentVariableIsEmpty("HVT_SHOTS")) return;
  dialog.grab().save(qEnvironmentVariable("HVT_SHOTS") + "/" + name);
}

TEST(ReportSetupDialogs, EquipmentNameShowsALongModelEmptyAndCountsItsLimitInBytes) {
  StringTable::SetLanguage(Language::English);
  auto cp932 = MakeCodec(932);
  ASSERT_NE(cp932, nullptr);
  QtDialogs dialogs(nullptr, *cp932);
  EquipmentNameInput presenter("S-0042", std::string(25, 'M'));
  WhenShown<EquipmentNameDialog>([](EquipmentNameDialog& d) {
    auto* model = Child<QLineEdit>(d, EquipmentNameInput::kModelEdit);
    auto* serial = Child<QLineEdit>(d, EquipmentNameInput::kSerialEdit);
    EXPECT_EQ(model->text(), "");
    EXPECT_EQ(serial->text(), "S-0042");
    EXPECT_TRUE(Child<QLabel>(d, EquipmentNameInput::kTitle)->font().bold());
    EXPECT_EQ(Child<QLabel>(d, EquipmentNameInput::kTitle)->font().pixelSize(), 20);
    // Eleven double-byte characters are 22 bytes: the eleventh is refused.
    Type(model, QString::fromUtf8("試験装置試験装置試験装"));
    EXPECT_EQ(model->text().size(), 10);
    Type(model, QStringLiteral("  "));
    Shoot(d, "equipment-name.png");
    Child<QPushButton>(d, 1)->click();
  });
  ASSERT_TRUE(dialogs.Run(presenter));
  EXPECT_EQ(presenter.model.size(), 20u) << "ten characters of two bytes, blanks trimmed";
  EXPECT_EQ(presenter.serial, "S-0042");
}

TEST(ReportSetupDialogs, TestConditionsKeepALongTextWholeAndClearThenCancelChangesNothing) {
  StringTable::SetLanguage(Language::English);
  auto cp1252 = MakeCodec(1252);
  QtDialogs dialogs(nullptr, *cp1252);
  TestConditionsInput presenter;
  presenter.description = std::string(80, 'd');
  presenter.temperatureFrom = "21";
  presenter.handy = 1;
  WhenShown<TestConditionsDialog>([](TestConditionsDialog& d) {
    auto* description = Child<QLineEdit>(d, 1238);
    EXPECT_EQ(description->text().size(), 80);
    description->setFocus();
    QTest::keyClick(description, Qt::Key_End);
    QTest::keyClicks(description, QStringLiteral("x"));
    EXPECT_EQ(description->text().size(), 80) << "no typing beyond the limit";
    QTest::keyClick(description, Qt::Key_Backspace);
    EXPECT_EQ(description->text().size(), 79) << "but shortening is allowed";
    // A character the document's code page lacks is refused.
    auto* model = Child<QLineEdit>(d, 1239);
    Type(model, QString::fromUtf8("A\u03A9B"));
    EXPECT_EQ(model->text(), "AB");
    EXPECT_TRUE(Child<QCheckBox>(d, 1274)->isChecked());
    Shoot(d, "test-conditions.png");
    Child<QPushButton>(d, TestConditionsInput::kClearButton)->click();
    EXPECT_EQ(Child<QLineEdit>(d, 1247)->text(), "");
    EXPECT_FALSE(Child<QCheckBox>(d, 1274)->isChecked());
    EXPECT_TRUE(d.isVisible()) << "Clear keeps the dialog open";
    Child<QPushButton>(d, 2)->click();
  });
  EXPECT_FALSE(dialogs.Run(presenter));
  EXPECT_EQ(presenter.description, std::string(80, 'd'));
  EXPECT_EQ(presenter.temperatureFrom, "21");
  EXPECT_EQ(presenter.handy, 1);
}

}  // namespace
}  // namespace hvt
