#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/ReportPdf.h"
#include "ports/ReportPrinter.h"
#include "report/ReportJob.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace hvt {

class TextCodec;

// The report on the platform's printing: the system print dialog, the
// preview window, the page set-up and a PDF file. One printer for the
// program's life, so that the set-up carries over to the next job.
class QtReportPrinter : public ReportPrinter {
 public:
  QtReportPrinter(QWidget* owner, const TextCodec& codec);
  ~QtReportPrinter() override;

  bool Print(ReportJob& job) override;
  void Preview(ReportJob& job) override;
  void PrintSetup() override;
  bool ExportPdf(ReportJob& job, const std::string& proposedPath) override;
  std::string AskRunRecordPath(const std::string& proposedPath) override;
  bool WriteRunRecord(const RunRecord& record, const std::string& path) override;

  // Draws the pages of the printer's chosen range (every page without one)
  // onto it, as Print does after its dialog; false when the printer cannot
  // be started.
  bool PrintPages(QPrinter& printer, ReportJob& job);
  // The preview window of a job, one page at a time, not yet shown.
  std::unique_ptr<QPrintPreviewDialog> MakePreview(ReportJob& job);
  QPrinter& Printer();

  // The footer's date, asked for each page.
  ReportDrawing::DateSource today = LocalDate;
  // Where Export PDF writes; an empty text cancels. The default asks with
  // the system's save dialog.
  std::function<QString(const QString& proposed)> askPdfPath;
  // How a failure is told; the default is a message box.
  std::function<void(const QString& text)> onError;

 private:
  void Fail(const QString& text);
  QString AskPdfPath(const std::string& proposedPath, const QString& title);
  Paper ChosenPaper() const;

  QWidget* owner;
  const TextCodec& codec;
  std::unique_ptr<QPrinter> printer;
};

}  // namespace hvt
