#pragma once

#include <cstdint>
#include <vector>

#include "model/CPELKDoc.h"
#include "report/ReportDrawing.h"

namespace hvt {

// One print job, preview or PDF of the report: its page count is fixed when
// the job is prepared and serves every page, in the footer and as the
// highest page the print dialog offers.
class ReportJob {
 public:
  // Prepares the job: computes the page count from the document as it is
  // now and stores it in pageCount (the view's reportPageCount).
  ReportJob(CPELKDoc& doc, int32_t& pageCount);

  int PageCount() const { return pageCount; }
  // The pages to draw for a range the operator chose, in order: the range
  // cut to 1..PageCount(); every page when from is 0 (no range chosen).
  std::vector<int> Pages(int from = 0, int to = 0) const;
  // Draws one page (counted from 1). codePage is the system's multibyte code
  // page of the memo widths; today gives the footer's date.
  void DrawPage(ReportCanvas& canvas, int page, int codePage,
                const ReportDrawing::DateSource& today);

  CPELKDoc& doc;

 private:
  int32_t& pageCount;
};

}  // namespace hvt
