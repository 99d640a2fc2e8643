#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/CPELKDoc.h"
#include "report/ReportCanvas.h"

namespace hvt {

// Page measures in 0.01 mm, taken from the canvas for every page.
struct PageMeasures {
  int left = 1500;
  int top = 450;
  int width = 0;   // printable width less both side margins
  int height = 0;  // printable height less the top margin
  int bottom = 0;  // the bottom line: top + height
};

PageMeasures MeasurePage(const ReportCanvas& canvas);

// Pages of the report the document gives now: 1 for a unit report; for a
// program report the header page and one page per nine steps, at least one.
int ReportPageCount(const CPELKDoc& doc);

// Memo lines before they are placed: paragraphs split at CR and LF without
// empty ones, each cut into lines of at most `limit` bytes, a double-byte
// character of code page 932 never split; at most `maxLines` lines.
std::vector<std::string_view> WrapMemoLines(std::string_view text, size_t limit, int codePage,
                                            size_t maxLines);

// The grey title band with its centred title (d moves to the rule under
// it) and the footer band with "Page n / N" and the date, as every printed
// page has them.
void DrawTitleBandOn(ReportCanvas& canvas, const PageMeasures& page, const ReportFont& font,
                     std::string_view title, int& d);
void DrawFooterOn(ReportCanvas& canvas, const PageMeasures& page, const ReportFont& font,
                  int pageNumber, int pageCount, const std::string& date);

// Draws report pages onto a canvas. The document is only read, except for
// its programCursor, which the step pages use as their scan position.
class ReportDrawing {
 public:
  using DateSource = std::function<std::chrono::year_month_day()>;

  // codePage is the system's multibyte code page (1252 or 932) that memo
  // widths are counted in; today is asked anew for each page.
  ReportDrawing(ReportCanvas& canvas, CPELKDoc& doc, int codePage, DateSource today);

  // Page count of the job, shown in the footer.
  int reportPageCount = 1;

  // One whole page, counted from 1.
  void DrawPage(int page);

  void DrawTitleBand(int& d);
  void DrawFooter(int page);
  void DrawEquipmentBlock(int& d);
  void DrawProgramHeader(int d);
  void DrawUnitFrame(int d);
  void DrawUnitTable(int d);
  void DrawStepPage(int d, int page);
  void DrawStepFrame(int d);
  void DrawStepBlock(int d, uint16_t code);
  // Leaves d at the last line placed, or at the start d - 400 when the text
  // has no line.
  void DrawWrappedText(int& d, int indent, std::string_view text, const ReportFont& font);

  const PageMeasures& measures() const { return page; }

  ReportFont titleFont;
  ReportFont footerFont;
  ReportFont equipmentFont;
  ReportFont programFont;
  ReportFont tableFont;

 private:
  void Text(int x, int d, const ReportFont& font, std::string_view text);
  void Rule(int x1, int d1, int x2, int d2);
  void Box(int x1, int d1, int x2, int d2);
  void Shadow(int x1, int d1, int x2, int d2);
  void ColumnRules(int d1, int d2);
  void RangeRow(int d, const std::string& from, const std::string& to);

  ReportCanvas& canvas;
  CPELKDoc& doc;
  int codePage;
  DateSource today;
  PageMeasures page;
};

}  // namespace hvt
