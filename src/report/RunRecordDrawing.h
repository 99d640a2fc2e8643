#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/ReportCanvas.h"
#include "report/ReportDrawing.h"

namespace hvt {

// What a run's record says, line by line, in UTF-8. A flagged line (a mark
// worse than the required criterion) is printed bold. The last line ties
// the paper to the journal: its record count and last hash.
struct RunRecordLine {
  std::string text;
  bool flagged = false;
};

struct RunRecord {
  std::vector<RunRecordLine> lines;
};

// Draws a run record in the report's style: the title band, the lines in
// the fixed face, wrapped to the page, as many pages as they take, and the
// footer with the page number and the date. The canvas takes UTF-8.
class RunRecordDrawing {
 public:
  RunRecordDrawing(ReportCanvas& canvas, const RunRecord& record, ReportDrawing::DateSource today);

  int PageCount() const { return static_cast<int>(pages.size()); }
  // One page, counted from 1.
  void DrawPage(int page);

  // The lines as placed: each record line wrapped to the width the canvas
  // gives, continuation lines indented.
  struct Placed {
    std::string text;
    bool flagged = false;
    bool continuation = false;
  };
  const std::vector<std::vector<Placed>>& Pages() const { return pages; }

 private:
  void Wrap(const RunRecordLine& line, std::vector<Placed>& out);
  int Width(std::string_view text, bool flagged);

  ReportCanvas& canvas;
  ReportDrawing::DateSource today;
  PageMeasures page;
  ReportFont titleFont;
  ReportFont footerFont;
  ReportFont bodyFont;
  ReportFont flaggedFont;
  std::vector<std::vector<Placed>> pages;
};

}  // namespace hvt
