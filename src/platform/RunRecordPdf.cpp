#include "platform/RunRecordPdf.h"

#include "model/TextCodec.h"
#include "platform/AtomicFile.h"
#include "platform/QtReportCanvas.h"

namespace hvt {

bool RenderRunRecordPdf(const RunRecord& record, Paper paper,
                        const ReportDrawing::DateSource& today, std::string& bytes,
                        std::string* error) {
  return RenderPdfPages(
      paper, "Run Record", Utf8Codec::Instance(),
      [&](QtReportCanvas& canvas, const std::function<void()>& newPage) {
        canvas.BeginPage();
        RunRecordDrawing drawing(canvas, record, today);
        for (int page = 1; page <= drawing.PageCount(); ++page) {
          if (page > 1) {
            newPage();
            canvas.BeginPage();
          }
          drawing.DrawPage(page);
        }
      },
      bytes, error);
}

bool WriteRunRecordPdf(const std::string& path, const RunRecord& record, Paper paper,
                       const ReportDrawing::DateSource& today, std::string* error) {
  std::string bytes;
  return RenderRunRecordPdf(record, paper, today, bytes, error) &&
         WriteFileAtomically(path, bytes, error);
}

}  // namespace hvt
