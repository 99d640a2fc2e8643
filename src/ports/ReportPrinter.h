#pragma once

#include <string>

namespace hvt {

class ReportJob;
struct RunRecord;

// The platform's printing: the print dialog and the printer, the preview
// window, the printer set-up and a PDF file. Each call draws the pages the
// job gives through ReportJob::DrawPage. The defaults do nothing, which is
// what a program without a screen (hvtctl) gets.
class ReportPrinter {
 public:
  virtual ~ReportPrinter() = default;

  // The print dialog (pages 1..job.PageCount()), then the chosen pages; false
  // when cancelled or nothing could be printed.
  virtual bool Print(ReportJob&) { return false; }
  // The preview window, one page at a time at first.
  virtual void Preview(ReportJob&) {}
  virtual void PrintSetup() {}
  // Every page as a PDF file chosen in a save dialog that proposes the
  // path given (UTF-8); false when cancelled or not written.
  virtual bool ExportPdf(ReportJob&, const std::string& /*proposedPath*/) { return false; }
  // Where the run record goes: a PDF file chosen in a save dialog that
  // proposes the path given (UTF-8); empty when cancelled.
  virtual std::string AskRunRecordPath(const std::string& /*proposedPath*/) { return {}; }
  // The run record as a PDF at that path; false, after telling why, when it
  // could not be written.
  virtual bool WriteRunRecord(const RunRecord&, const std::string& /*path*/) { return false; }
};

inline ReportPrinter& NoPrinter() {
  static ReportPrinter none;
  return none;
}

}  // namespace hvt
