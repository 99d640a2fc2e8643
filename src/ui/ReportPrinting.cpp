#include "ui/ReportPrinting.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <cmath>

#include "model/TextCodec.h"
#include "platform/QtReportCanvas.h"
#include "platform/RunRecordPdf.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// A printer reports its printable area in whole millimetres.
int WholeMm(double mm) { return static_cast<int>(std::floor(mm + 1e-6)); }

}  // namespace

QtReportPrinter::QtReportPrinter(QWidget* owner, const TextCodec& codec)
    : owner(owner), codec(codec) {}

QtReportPrinter::~QtReportPrinter() = default;

QPrinter& QtReportPrinter::Printer() {
  if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer;
}

void QtReportPrinter::Fail(const QString& text) {
  if (onError) {
    onError(text);
  } else {
    QMessageBox::warning(owner, UiText(TextId::AppTitle), text);
  }
}

bool QtReportPrinter::PrintPages(QPrinter& device, ReportJob& job) {
  const std::vector<int> pages = device.printRange() == QPrinter::PageRange
                                     ? job.Pages(device.fromPage(), device.toPage())
                                     : job.Pages();
  if (pages.empty()) return false;
  QPainter painter;
  if (!painter.begin(&device)) {
    Fail(UiText(TextId::PrinterNotStarted));
    return false;
  }
  const QRectF area = device.pageLayout().paintRect(QPageLayout::Millimeter);
  QtReportCanvas canvas(painter, WholeMm(area.width()), WholeMm(area.height()),
                        device.logicalDpiX(), device.logicalDpiY(), codec);
  bool first = true;
  for (int page : pages) {
    if (!first) device.newPage();
    first = false;
    canvas.BeginPage();
    job.DrawPage(canvas, page, codec.CodePage(), today);
  }
  return painter.end();
}

bool QtReportPrinter::Print(ReportJob& job) {
  QPrinter& device = Printer();
  QPrintDialog dialog(&device, owner);
  dialog.setMinMax(1, job.PageCount());
  dialog.setFromTo(1, job.PageCount());
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() != QDialog::Accepted) return false;
  return PrintPages(device, job);
}

std::unique_ptr<QPrintPreviewDialog> QtReportPrinter::MakePreview(ReportJob& job) {
  QPrinter& device = Printer();
  // A range chosen for an earlier print must not hide pages here.
  device.setPrintRange(QPrinter::AllPages);
  device.setFromTo(0, 0);
  auto dialog = std::make_unique<QPrintPreviewDialog>(&device, owner);
  QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested,
                   [this, &job](QPrinter* target) { PrintPages(*target, job); });
  if (auto* view = dialog->findChild<QPrintPreviewWidget*>()) {
    view->setViewMode(QPrintPreviewWidget::SinglePageView);
  }
  return dialog;
}

void QtReportPrinter::Preview(ReportJob& job) { MakePreview(job)->exec(); }

void QtReportPrinter::PrintSetup() { QPageSetupDialog(&Printer(), owner).exec(); }

QString QtReportPrinter::AskPdfPath(const std::string& proposedPath, const QString& title) {
  const QString proposed = QString::fromStdString(proposedPath);
  return askPdfPath
             ? askPdfPath(proposed)
             : QFileDialog::getSaveFileName(owner, title, proposed, QStringLiteral("PDF (*.pdf)"));
}

Paper QtReportPrinter::ChosenPaper() const {
  return printer && printer->pageLayout().pageSize().id() == QPageSize::Letter ? Paper::Letter
                                                                               : Paper::A4;
}

std::string QtReportPrinter::AskRunRecordPath(const std::string& proposedPath) {
  return AskPdfPath(proposedPath, UiText(TextId::ExportRunRecordTitle)).toStdString();
}

bool QtReportPrinter::WriteRunRecord(const RunRecord& record, const std::string& utf8Path) {
  const QString path = QString::fromStdString(utf8Path);
  std::string error;
  if (!WriteRunRecordPdf(QFile::encodeName(path).toStdString(), record, ChosenPaper(), today,
                         &error)) {
    Fail(QStringLiteral("%1: %2").arg(path, QString::fromStdString(error)));
    return false;
  }
  return true;
}

bool QtReportPrinter::ExportPdf(ReportJob& job, const std::string& proposedPath) {
  const QString path = AskPdfPath(proposedPath, TemplateText(resource::kShell, 2, "Export PDF"));
  if (path.isEmpty()) return false;
  ReportPdfOptions options;
  options.paper = ChosenPaper();
  options.codePage = codec.CodePage();
  options.today = today;
  std::string error;
  if (!WriteReportPdf(QFile::encodeName(path).toStdString(), job.doc, options, &error)) {
    Fail(QStringLiteral("%1: %2").arg(path, QString::fromStdString(error)));
    return false;
  }
  return true;
}

}  // namespace hvt
