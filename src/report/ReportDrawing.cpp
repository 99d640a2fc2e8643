#include "report/ReportDrawing.h"

#include <cstdio>
#include <utility>

#include "model/CodePageText.h"
#include "model/StringTable.h"
#include "report/ReportContent.h"

namespace hvt {
namespace {

constexpr int kLeftMargin = 1500;
constexpr int kTopMargin = 450;
constexpr int kRightMargin = 1500;
constexpr int kBottomMargin = 0;

constexpr Colour kBandGrey{208, 208, 208};
constexpr Colour kShadowGrey{128, 128, 128};
constexpr Stroke kDefaultPen{};
constexpr Stroke kShadowPen{kShadowGrey, 1};

constexpr int kStepsPerPage = 9;
constexpr int kStepPitch = 2500;
constexpr int kLinePitch = 400;
constexpr size_t kMaxMemoLines = 12;
constexpr int kLowestMemoLine = 26000;

// Column positions of the unit tables, from L.
constexpr int kColumnRules[10] = {700, 2300, 3800, 5600, 7400, 9000, 10600, 13000, 14800, 15800};
constexpr int kValueX[kUnitColumnCount] = {300,  1400,  2750,  4350,  6200, 8000,
                                           9600, 11200, 13600, 15100, 16000};
constexpr int kUnitHeadingX[kUnitColumnCount] = {150,  850,   2650,  4150,  5900, 7600,
                                                 9400, 10850, 13300, 14980, 15980};
constexpr int kStepHeadingX[kUnitColumnCount] = {200,  900,   2700,  4200,  5950, 7650,
                                                 9450, 10900, 13350, 15030, 15980};

// Where the sweep order marks sit: x from L and d from the value line.
struct MarkPlace {
  int column;
  int x;
  int d;
};
constexpr MarkPlace kUnitMarks[4] = {{kColumnPolarity, 1300, -300},
                                     {kColumnWidth, 2650, -300},
                                     {kColumnVoltage, 4050, -300},
                                     {kColumnTrigger, 5900, -300}};
constexpr MarkPlace kStepMarks[4] = {{kColumnPolarity, 900, -300},
                                     {kColumnWidth, 2250, -300},
                                     {kColumnVoltage, 3850, -200},
                                     {kColumnTrigger, 5700, -200}};

// Bytes of the first line of a paragraph longer than the limit. A double-byte
// character that starts at the last place moves whole to the next line. The
// scan walks whole characters, so a trail byte that happens to look like a
// lead byte does not shorten the line and split its character.
size_t CutLength(std::string_view rest, size_t limit, int codePage) {
  size_t i = 0;
  while (i + 1 < limit) {
    i += IsLeadByte(static_cast<unsigned char>(rest[i]), codePage) ? 2 : 1;
  }
  if (i + 1 == limit && IsLeadByte(static_cast<unsigned char>(rest[i]), codePage)) return limit - 1;
  return limit;
}

std::string PageNumberText(int page, int count) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "Page %d / %d", page, count);
  return buffer;
}

}  // namespace

PageMeasures MeasurePage(const ReportCanvas& canvas) {
  PageMeasures m;
  m.left = kLeftMargin;
  m.top = kTopMargin;
  m.width = canvas.HorizontalSizeMm() * 100 - kLeftMargin - kRightMargin;
  m.height = canvas.VerticalSizeMm() * 100 - kTopMargin - kBottomMargin;
  m.bottom = m.top + m.height;
  return m;
}

int ReportPageCount(const CPELKDoc& doc) {
  if (ReportVariant(doc) == ReportKind::Unit) return 1;
  if (doc.programStepCount == 0) return 2;
  return 1 + (doc.programStepCount + kStepsPerPage - 1) / kStepsPerPage;
}

std::vector<std::string_view> WrapMemoLines(std::string_view text, size_t limit, int codePage,
                                            size_t maxLines) {
  std::vector<std::string_view> lines;
  if (limit == 0) return lines;
  size_t at = 0;
  while (at < text.size() && lines.size() < maxLines) {
    // A run of CR and LF ends a paragraph; empty paragraphs print nothing.
    if (text[at] == '\r' || text[at] == '\n') {
      ++at;
      continue;
    }
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view rest = text.substr(at, end - at);
    while (!rest.empty() && lines.size() < maxLines) {
      const size_t n = rest.size() <= limit ? rest.size() : CutLength(rest, limit, codePage);
      lines.push_back(rest.substr(0, n));
      rest.remove_prefix(n);
    }
    at = end;
  }
  return lines;
}

ReportDrawing::ReportDrawing(ReportCanvas& canvas, CPELKDoc& doc, int codePage, DateSource today)
    : canvas(canvas), doc(doc), codePage(codePage), today(std::move(today)) {
  const std::string& fixedFace = LoadString(TextId::FixedFace);
  titleFont = {LoadString(TextId::ReportTitleFace), 760, 700, false};
  footerFont = {fixedFace, 360, 100, false};
  equipmentFont = {fixedFace, 360, 400, true};
  programFont = {fixedFace, 300, 400, true};
  tableFont = {fixedFace, 260, 400, true};
  page = MeasurePage(canvas);
}

void ReportDrawing::Text(int x, int d, const ReportFont& font, std::string_view text) {
  if (!text.empty()) canvas.Text(x, d, font, text, false);
}

void ReportDrawing::Rule(int x1, int d1, int x2, int d2) {
  canvas.Line(x1, d1, x2, d2, kDefaultPen);
}

void ReportDrawing::Box(int x1, int d1, int x2, int d2) {
  canvas.Rectangle(x1, d1, x2, d2, kDefaultPen, kWhite);
}

void ReportDrawing::Shadow(int x1, int d1, int x2, int d2) {
  canvas.Rectangle(x1, d1, x2, d2, kShadowPen, kShadowGrey);
}

void ReportDrawing::DrawPage(int pageNumber) {
  page = MeasurePage(canvas);
  int d = page.top;
  DrawTitleBand(d);
  DrawFooter(pageNumber);
  d += 1300;
  const ReportKind kind = ReportVariant(doc);
  if (pageNumber == 1) {
    DrawEquipmentBlock(d);
    if (kind == ReportKind::Program) {
      DrawProgramHeader(d);
    } else {
      DrawUnitFrame(d);
      DrawUnitTable(d);
    }
  } else if (pageNumber >= 2 && kind == ReportKind::Program) {
    DrawStepPage(d, pageNumber);
  }
}

void DrawTitleBandOn(ReportCanvas& canvas, const PageMeasures& page, const ReportFont& font,
                     std::string_view title, int& d) {
  const int L = page.left;
  canvas.Fill(L, d, L + page.width, d + 1500, kBandGrey);
  const int width = canvas.TextWidth(font, title);
  canvas.Text(L + (page.width - width) / 2, d + 170, font, title, true);
  canvas.Line(L, d + 1040, L + page.width, d + 1040, kDefaultPen);
  d += 1040;
}

void DrawFooterOn(ReportCanvas& canvas, const PageMeasures& page, const ReportFont& font,
                  int pageNumber, int pageCount, const std::string& date) {
  const int L = page.left;
  const int B = page.bottom;
  canvas.Fill(L, B - 850, L + page.width, B, kBandGrey);
  canvas.Line(L, B - 600, L + page.width, B - 600, kDefaultPen);
  const std::string number = PageNumberText(pageNumber, pageCount);
  canvas.Text(L + (page.width - canvas.TextWidth(font, number)) / 2, B - 440, font, number, true);
  if (!date.empty()) {
    canvas.Text(L + page.width - canvas.TextWidth(font, date), B - 440, font, date, true);
  }
}

void ReportDrawing::DrawTitleBand(int& d) {
  DrawTitleBandOn(canvas, page, titleFont, LoadString(TextId::ReportTitle), d);
}

void ReportDrawing::DrawFooter(int pageNumber) {
  DrawFooterOn(canvas, page, footerFont, pageNumber, reportPageCount,
               today ? ReportDateText(today()) : std::string());
}

void ReportDrawing::RangeRow(int d, const std::string& from, const std::string& to) {
  const int L = page.left;
  Text(L + 6500, d, equipmentFont, from);
  Rule(L + 6500, d + 400, L + 8000, d + 400);
  Rule(L + 8500, d + 200, L + 9000, d + 200);
  Text(L + 9500, d, equipmentFont, to);
  Rule(L + 9500, d + 400, L + 11000, d + 400);
}

void ReportDrawing::DrawEquipmentBlock(int& d) {
  const int L = page.left;
  const int d0 = d;
  const EquipmentBlock block = EquipmentBlockContent(doc);
  const auto& labels = report_text::kEquipmentLabels;
  constexpr int kLabelD[12] = {0, 550, 1100, 1650, 2200, 3850, 4400, 4950, 6600, 7150, 7700, 8250};
  Text(L + 12800, d0, equipmentFont, labels[0]);
  for (int row = 1; row < 12; ++row) Text(L + 800, d0 + kLabelD[row], equipmentFont, labels[row]);

  Rule(L + 12800, d0 + 400, L + 16800, d0 + 400);
  auto valueRow = [&](int offset, const std::string& text, int underlineEnd) {
    Text(L + 5300, d0 + offset, equipmentFont, text);
    Rule(L + 5300, d0 + offset + 400, L + underlineEnd, d0 + offset + 400);
  };
  valueRow(550, block.description, 13300);
  valueRow(1100, block.modelNo, 9300);
  valueRow(1650, block.serialNo, 9300);

  const struct {
    int x;
    const char* caption;
    bool set;
  } boxes[3] = {{5300, report_text::kDeskTop, block.deskTop},
                {9300, report_text::kFloorStand, block.floorStand},
                {13300, report_text::kHandy, block.handy}};
  for (const auto& box : boxes) {
    Text(L + box.x + 600, d0 + 2200, equipmentFont, box.caption);
    const int x1 = L + box.x, x2 = x1 + 410, d1 = d0 + 2200, d2 = d1 + 410;
    Box(x1, d1, x2, d2);
    if (box.set) {
      Rule(x1, d1, x2, d2);
      Rule(x1, d2, x2, d1);
    }
  }

  valueRow(3850, block.equipmentType, 10300);
  valueRow(4400, block.model, 10300);
  valueRow(4950, block.serial, 10300);
  RangeRow(d0 + 7150, block.ranges[0][0], block.ranges[0][1]);
  RangeRow(d0 + 7700, block.ranges[1][0], block.ranges[1][1]);
  RangeRow(d0 + 8250, block.ranges[2][0], block.ranges[2][1]);
  d = d0 + 10450;
}

void ReportDrawing::DrawProgramHeader(int b) {
  const int L = page.left;
  const ProgramReport content = ProgramReportContent(doc);
  Text(L + 300, b + 550, programFont, report_text::kProgramName);
  Text(L + 2600, b + 550, programFont, content.name);
  Text(L + 300, b + 1100, programFont, report_text::kProgramTimes);
  Text(L + 2600, b + 1100, programFont, content.times);
  Text(L + 300, b + 1650, programFont, report_text::kProgramMemo);
  int d = b + 1650;
  DrawWrappedText(d, 2600, content.programMemo, programFont);
  d += 1100;
  Text(L + 300, d, programFont, report_text::kProgramTestMemo);
  DrawWrappedText(d, 2600, content.memo, programFont);
}

void ReportDrawing::ColumnRules(int d1, int d2) {
  for (int x : kColumnRules) Rule(page.left + x, d1, page.left + x, d2);
}

void ReportDrawing::DrawUnitFrame(int dt) {
  const int L = page.left;
  Box(L, dt, L + 17450, dt + 2700);
  Rule(L, dt + 1100, L + 17450, dt + 1100);
  ColumnRules(dt, dt + 2700);
  Shadow(L + 225, dt + 2700, L + 17600, dt + 2850);
  Shadow(L + 17450, dt + 225, L + 17600, dt + 2850);
}

namespace {

// Value, stop, step and terminator lines shared by both kinds of table.
void DrawTableValues(ReportCanvas& canvas, const ReportFont& font, int L, int dv,
                     const UnitTable& table, const MarkPlace (&marks)[4]) {
  auto text = [&](int x, int d, const std::string& s) {
    if (!s.empty()) canvas.Text(x, d, font, s, false);
  };
  for (int c = 0; c < kUnitColumnCount; ++c) text(L + kValueX[c], dv, table.values[c]);
  text(L + kValueX[kColumnTerminate], dv + 300, table.terminatorSecond);
  for (const MarkPlace& place : marks) {
    const SweepLines& lines = table.sweep[place.column];
    if (!lines.shown) continue;
    text(L + place.x, dv + place.d, lines.mark);
    text(L + kValueX[place.column], dv + 300, lines.stop);
    text(L + kValueX[place.column], dv + 600, lines.step);
  }
}

}  // namespace

void ReportDrawing::DrawUnitTable(int dt) {
  const int L = page.left;
  const UnitReport content = UnitReportContent(doc);
  for (int c = 0; c < kUnitColumnCount; ++c) {
    Text(L + kUnitHeadingX[c], dt + 500, tableFont, content.table.headings[c]);
  }
  const int dv = dt + 1500;
  DrawTableValues(canvas, tableFont, L, dv, content.table, kUnitMarks);
  Text(L + 300, dv + 1650, tableFont, report_text::kTestName);
  Text(L + 2000, dv + 1650, tableFont, content.name);
  Text(L + 300, dv + 2200, tableFont, report_text::kUnitMemo);
  int d = dv + 2200;
  DrawWrappedText(d, 2000, content.memo, tableFont);
}

void ReportDrawing::DrawStepPage(int d, int pageNumber) {
  if (doc.programStepCount == 0) {
    Text(page.left + 800, d, tableFont, report_text::kNoSteps);
    return;
  }
  if (pageNumber < 2 || doc.currentProgram < 1 || doc.currentProgram > kProgramCount) return;
  const ProgramRecord& program = doc.program(doc.currentProgram);
  // Position of the previous page's last step (0 before the first step).
  const long long start = pageNumber == 2 ? 0 : 18LL * pageNumber - 37;
  if (start > ProgramRecord::kPositions) {
    doc.programCursor = 0;
    return;
  }
  auto next = [](int cursor) { return cursor == 0 ? 1 : cursor + 2; };
  auto codeAt = [&](int position) -> uint16_t {
    return position <= ProgramRecord::kPositions ? program.step(position) : kStepEnd;
  };
  int cursor = static_cast<int>(start);
  for (int i = 0; i < kStepsPerPage; ++i) {
    const uint16_t code = codeAt(next(cursor));
    if (code == kStepEnd) break;
    cursor = next(cursor);
    const int di = d + kStepPitch * i;
    if (StepContent(doc, code).kind == StepBlock::Kind::Unit) DrawStepFrame(di);
    DrawStepBlock(di, code);
  }
  // The next page starts from here when steps remain.
  doc.programCursor = codeAt(next(cursor)) != kStepEnd ? static_cast<uint16_t>(cursor) : 0;
}

void ReportDrawing::DrawStepFrame(int d) {
  const int L = page.left;
  Box(L, d - 100, L + 17350, d + 1700);
  Rule(L, d + 500, L + 17350, d + 500);
  ColumnRules(d - 100, d + 1700);
  Shadow(L + 225, d + 1700, L + 17500, d + 1850);
  Shadow(L + 17350, d + 125, L + 17500, d + 1850);
}

void ReportDrawing::DrawStepBlock(int d, uint16_t code) {
  const int L = page.left;
  const StepBlock block = StepContent(doc, code);
  switch (block.kind) {
    case StepBlock::Kind::Empty:
      return;
    case StepBlock::Kind::Line:
      Text(L, d, tableFont, block.text);
      return;
    case StepBlock::Kind::Unit:
      break;
  }
  Text(L, d - 500, tableFont, report_text::kTestName);
  Text(L + 2000, d - 500, tableFont, block.name);
  const UnitTable& table = block.table;
  for (int c = 0; c < kUnitColumnCount; ++c) {
    Text(L + kStepHeadingX[c], d - 50, tableFont, table.headings[c]);
  }
  DrawTableValues(canvas, tableFont, L, d + 650, table, kStepMarks);
}

void ReportDrawing::DrawWrappedText(int& d, int indent, std::string_view text,
                                    const ReportFont& font) {
  // Courier New is wider than the faces the memo line was laid out for.
  const size_t limit = font.face.find("Courier New") != std::string::npos ? 90 : 100;
  int placed = d - kLinePitch;
  int at = d;
  for (std::string_view line : WrapMemoLines(text, limit, codePage, kMaxMemoLines)) {
    placed = at;
    if (at > kLowestMemoLine) break;
    Text(page.left + indent, at, font, line);
    at += kLinePitch;
  }
  d = placed;
}

}  // namespace hvt
