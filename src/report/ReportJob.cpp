#include "report/ReportJob.h"

#include <algorithm>

namespace hvt {

ReportJob::ReportJob(CPELKDoc& doc, int32_t& pageCount) : doc(doc), pageCount(pageCount) {
  pageCount = ReportPageCount(doc);
}

std::vector<int> ReportJob::Pages(int from, int to) const {
  if (from <= 0 && to <= 0) {
    from = 1;
    to = pageCount;
  }
  from = std::max(from, 1);
  // A dialog that gives only the first page of a range means up to the end.
  if (to <= 0) to = pageCount;
  to = std::min(to, static_cast<int>(pageCount));
  std::vector<int> pages;
  for (int page = from; page <= to; ++page) pages.push_back(page);
  return pages;
}

void ReportJob::DrawPage(ReportCanvas& canvas, int page, int codePage,
                         const ReportDrawing::DateSource& today) {
  ReportDrawing drawing(canvas, doc, codePage, today);
  // The count fixed for the job, not one computed again from the document.
  drawing.reportPageCount = pageCount;
  drawing.DrawPage(page);
}

}  // namespace hvt
