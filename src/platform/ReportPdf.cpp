#include "platform/ReportPdf.h"

#include <QBuffer>
#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "model/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"
#include "platform/QtReportCanvas.h"
#include "report/ReportContent.h"

namespace hvt {
namespace {

constexpr double kEdgeMm = 5.0;
constexpr int kResolution = 1200;

}  // namespace

std::chrono::year_month_day LocalDate() {
  const QDate today = QDate::currentDate();
  return std::chrono::year{today.year()} /
         std::chrono::month{static_cast<unsigned>(today.month())} /
         std::chrono::day{static_cast<unsigned>(today.day())};
}

bool RenderPdfPages(Paper paper, const std::string& titleUtf8, const TextCodec& codec,
                    const DrawPages& draw, std::string& bytes, std::string* error) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    // PDF/A-1b: every font embedded, an sRGB output intent and the XMP
    // identification, so that the file can be archived.
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setPageLayout(
        QPageLayout(QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4),
                    QPageLayout::Portrait, QMarginsF(kEdgeMm, kEdgeMm, kEdgeMm, kEdgeMm),
                    QPageLayout::Millimeter));
    writer.setTitle(QString::fromStdString(titleUtf8));
    writer.setCreator(QStringLiteral("HVT-KP4RS"));

    // A printer reports its printable area in whole millimetres.
    const QRectF area = writer.pageLayout().paintRect(QPageLayout::Millimeter);
    const int widthMm = static_cast<int>(std::floor(area.width() + 1e-6));
    const int heightMm = static_cast<int>(std::floor(area.height() + 1e-6));

    QPainter painter;
    if (!painter.begin(&writer)) {
      if (error) *error = "cannot start the PDF";
      return false;
    }
    QtReportCanvas canvas(painter, widthMm, heightMm, writer.logicalDpiX(), writer.logicalDpiY(),
                          codec);
    draw(canvas, [&] { writer.newPage(); });
    painter.end();
  }
  bytes.assign(buffer.data().constData(), static_cast<size_t>(buffer.data().size()));
  return true;
}

bool RenderReportPdf(CPELKDoc& doc, const ReportPdfOptions& options, std::string& bytes,
                     std::string* error) {
  const auto codec = MakeCodec(options.codePage);
  if (!codec) {
    if (error) *error = "code page " + std::to_string(options.codePage) + " is not supported";
    return false;
  }
  const std::string title = codec->ToUtf8(LoadString(TextId::ReportTitle)).value_or("");
  return RenderPdfPages(
      options.paper, title, *codec,
      [&](QtReportCanvas& canvas, const std::function<void()>& newPage) {
        ReportDrawing drawing(canvas, doc, options.codePage, options.today);
        drawing.reportPageCount = ReportPageCount(doc);
        for (int page = 1; page <= drawing.reportPageCount; ++page) {
          if (page > 1) newPage();
          canvas.BeginPage();
          drawing.DrawPage(page);
        }
      },
      bytes, error);
}

bool WriteReportPdf(const std::string& path, CPELKDoc& doc, const ReportPdfOptions& options,
                    std::string* error) {
  std::string bytes;
  return RenderReportPdf(doc, options, bytes, error) && WriteFileAtomically(path, bytes, error);
}

}  // namespace hvt
