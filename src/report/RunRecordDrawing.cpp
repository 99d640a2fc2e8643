#include "report/RunRecordDrawing.h"

#include <algorithm>
#include <utility>

#include "report/ReportContent.h"

namespace hvt {
namespace {

constexpr int kBodyGap = 800;  // from the title band's rule to the first line
constexpr int kLinePitch = 400;
constexpr int kIndent = 200;        // of every line from the left margin
constexpr int kContinuation = 800;  // of a wrapped line's continuation
constexpr int kFooterClear = 1150;  // kept free above the page's bottom line

bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

}  // namespace

RunRecordDrawing::RunRecordDrawing(ReportCanvas& canvas, const RunRecord& record,
                                   ReportDrawing::DateSource today)
    : canvas(canvas), today(std::move(today)) {
  // Faces by their Windows names, which the canvas maps to what is installed;
  // the record's texts are UTF-8 whatever the edition.
  titleFont = {"Times New Roman", 760, 700, false};
  footerFont = {"Courier New", 360, 100, false};
  bodyFont = {"Courier New", 280, 400, true};
  flaggedFont = {"Courier New", 280, 700, true};
  page = MeasurePage(canvas);

  std::vector<Placed> placed;
  for (const RunRecordLine& line : record.lines) Wrap(line, placed);
  const int firstLine = page.top + 1040 + kBodyGap;
  const int perPage = std::max(1, (page.bottom - kFooterClear - firstLine) / kLinePitch);
  for (size_t at = 0; at < placed.size(); at += static_cast<size_t>(perPage)) {
    const size_t end = std::min(placed.size(), at + static_cast<size_t>(perPage));
    pages.emplace_back(placed.begin() + static_cast<std::ptrdiff_t>(at),
                       placed.begin() + static_cast<std::ptrdiff_t>(end));
  }
  if (pages.empty()) pages.emplace_back();
}

int RunRecordDrawing::Width(std::string_view text, bool flagged) {
  return canvas.TextWidth(flagged ? flaggedFont : bodyFont, text);
}

void RunRecordDrawing::Wrap(const RunRecordLine& line, std::vector<Placed>& out) {
  std::string_view rest = line.text;
  bool continuation = false;
  do {
    const int room = page.width - kIndent - (continuation ? kContinuation : 0);
    // The longest head that fits, measured a character at a time so that a
    // long text costs no more than its lines.
    size_t fits = 0;
    for (size_t i = 1; i <= rest.size(); ++i) {
      if (i < rest.size() && !StartsCharacter(rest[i])) continue;
      if (Width(rest.substr(0, i), line.flagged) > room) break;
      fits = i;
    }
    size_t cut = fits;
    if (fits < rest.size()) {
      // At least one character a line, however narrow the page.
      if (fits == 0) {
        fits = 1;
        while (fits < rest.size() && !StartsCharacter(rest[fits])) ++fits;
      }
      // Before a space where there is one.
      const size_t space = rest.substr(0, fits + 1).rfind(' ');
      cut = space != std::string_view::npos && space > 0 ? space : fits;
    }
    out.push_back({std::string(rest.substr(0, cut)), line.flagged, continuation});
    rest.remove_prefix(cut);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    continuation = true;
  } while (!rest.empty());
}

void RunRecordDrawing::DrawPage(int pageNumber) {
  page = MeasurePage(canvas);
  int d = page.top;
  DrawTitleBandOn(canvas, page, titleFont, "Run Record", d);
  DrawFooterOn(canvas, page, footerFont, pageNumber, PageCount(),
               today ? ReportDateText(today()) : std::string());
  if (pageNumber < 1 || pageNumber > PageCount()) return;
  d += kBodyGap;
  for (const Placed& line : pages[static_cast<size_t>(pageNumber - 1)]) {
    if (!line.text.empty()) {
      const int x = page.left + kIndent + (line.continuation ? kContinuation : 0);
      canvas.Text(x, d, line.flagged ? flaggedFont : bodyFont, line.text, true);
    }
    d += kLinePitch;
  }
}

}  // namespace hvt
