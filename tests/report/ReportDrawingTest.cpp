#include <gtest/gtest.h>

#include <algorithm>

#include "model/StringTable.h"
#include "report/ReportContent.h"
#include "report/ReportDrawing.h"
#include "report/RecordingCanvas.h"

namespace hvt {
namespace {

using namespace std::chrono;
using Kind = RecordingCanvas::Kind;

constexpr int L = 1500;
constexpr Colour kBand{208, 208, 208};
constexpr Colour kShadow{128, 128, 128};

CPELKDoc NewDoc() {
  StringTable::SetLanguage(Language::English);
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  return doc;
}

ReportDrawing::DateSource Fixed(year_month_day date) {
  return [date] { return date; };
}

// A program of `count` unit steps 1, 2, 3 ... in program 1.
void SetSteps(CPELKDoc& doc, int count) {
  doc.programMode = 1;
  doc.currentProgram = 1;
  for (int k = 1; k <= count; ++k) doc.program(1).step(2 * k - 1) = static_cast<uint16_t>((k - 1) % 50 + 1);
  doc.programStepCount = doc.CountProgramSteps(1);
}

bool HasLine(const RecordingCanvas& c, int x1, int d1, int x2, int d2) {
  for (const auto& call : c.Of(Kind::Line)) {
    if (call.x1 == x1 && call.d1 == d1 && call.x2 == x2 && call.d2 == d2) return true;
  }
  return false;
}

bool HasRectangle(const RecordingCanvas& c, int x1, int d1, int x2, int d2, Colour fill) {
  for (const auto& call : c.Of(Kind::Rectangle)) {
    if (call.x1 == x1 && call.d1 == d1 && call.x2 == x2 && call.d2 == d2 && call.fill == fill) {
      return true;
    }
  }
  return false;
}

std::vector<int> DsOf(const std::vector<RecordingCanvas::Call>& calls) {
  std::vector<int> ds;
  for (const auto& c : calls) ds.push_back(c.d1);
  return ds;
}

TEST(ReportDrawing, BandsOnA4AndLetter) {
  CPELKDoc doc = NewDoc();
  RecordingCanvas canvas(200, 287);
  ReportDrawing drawing(canvas, doc, 1252, Fixed(year{2024} / March / 5));
  drawing.reportPageCount = 3;
  EXPECT_EQ(drawing.measures().width, 17000);
  EXPECT_EQ(drawing.measures().bottom, 28700);
  int d = 450;
  drawing.DrawTitleBand(d);
  drawing.DrawFooter(1);
  EXPECT_EQ(d, 1490);

  const auto fills = canvas.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(std::tie(fills[0].x1, fills[0].d1, fills[0].x2, fills[0].d2),
            std::make_tuple(L, 450, L + 17000, 1950));
  EXPECT_EQ(fills[0].fill, kBand);
  EXPECT_EQ(std::tie(fills[1].d1, fills[1].d2), std::make_tuple(27850, 28700));
  EXPECT_TRUE(HasLine(canvas, L, 1490, L + 17000, 1490));
  EXPECT_TRUE(HasLine(canvas, L, 28100, L + 17000, 28100));

  const auto* title = canvas.FindText("Impulse Noise Immunity Test Report");
  ASSERT_TRUE(title);
  EXPECT_EQ(title->d1, 620);
  EXPECT_EQ(title->font, drawing.titleFont);
  EXPECT_TRUE(title->transparent);
  const int titleWidth = RecordingCanvas::Width(drawing.titleFont, title->text);
  EXPECT_EQ(title->x1, L + (17000 - titleWidth) / 2);

  const auto* number = canvas.FindText("Page 1 / 3");
  ASSERT_TRUE(number);
  EXPECT_EQ(number->d1, 28700 - 440);
  EXPECT_EQ(number->x1, L + (17000 - RecordingCanvas::Width(drawing.footerFont, "Page 1 / 3")) / 2);
  const auto* date = canvas.FindText("Tue, Mar 5, 2024");
  ASSERT_TRUE(date);
  EXPECT_EQ(date->x1 + RecordingCanvas::Width(drawing.footerFont, date->text), L + 17000);
  EXPECT_EQ(date->d1, 28260);

  // Letter: the bands follow the paper, the tables stay at L.
  RecordingCanvas letter(205, 269);
  doc.programMode = 0;
  ReportDrawing onLetter(letter, doc, 1252, Fixed(year{2025} / January / 1));
  onLetter.DrawPage(1);
  EXPECT_EQ(letter.Of(Kind::Fill)[1].d1, 26900 - 850);
  EXPECT_EQ(letter.Of(Kind::Fill)[0].x2, L + 17500);
  EXPECT_TRUE(letter.FindText("Wed, Jan 1, 2025"));
  EXPECT_TRUE(HasRectangle(letter, L, 13240, L + 17450, 15940, kWhite));
}

TEST(ReportDrawing, EquipmentBlockRows) {
  CPELKDoc doc = NewDoc();
  doc.eutTexts[0] = "Washing machine";
  doc.eutTexts[3] = "23";
  doc.eutTexts[4] = "25";
  doc.eutDeskTop = 1;
  doc.eutHandy = 1;
  doc.printModel = "KP4-410";
  doc.printSerial = "S-0042";
  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, Fixed(year{2024} / March / 5));
  int d = 2790;
  drawing.DrawEquipmentBlock(d);
  EXPECT_EQ(d, 2790 + 10450);

  const std::pair<const char*, int> labels[] = {
      {"Description of EUT :", 3340},  {"Model No.          :", 3890},
      {"Serial No.         :", 4440},  {"Type of EUT        :", 4990},
      {"Type of Equipment  :", 6640},  {"Model              :", 7190},
      {"Serial             :", 7740},  {"Test Conditions.", 9390},
      {"  * Temperature          :", 9940}, {"  * Humidity             :", 10490},
      {"  * Atmospheric Pressure :", 11040}};
  for (auto [text, at] : labels) {
    const auto* call = canvas.FindText(text);
    ASSERT_TRUE(call) << text;
    EXPECT_EQ(std::tie(call->x1, call->d1), std::make_tuple(L + 800, at)) << text;
    EXPECT_EQ(call->font, drawing.equipmentFont);
    EXPECT_FALSE(call->transparent);
  }
  const auto* sign = canvas.FindText("sign");
  ASSERT_TRUE(sign);
  EXPECT_EQ(std::tie(sign->x1, sign->d1), std::make_tuple(L + 12800, 2790));
  EXPECT_TRUE(HasLine(canvas, L + 12800, 3190, L + 16800, 3190));

  EXPECT_EQ(canvas.FindText("Washing machine")->x1, L + 5300);
  EXPECT_TRUE(HasLine(canvas, L + 5300, 3740, L + 13300, 3740));
  EXPECT_TRUE(HasLine(canvas, L + 5300, 4290, L + 9300, 4290));  // empty model no.: still underlined
  EXPECT_EQ(canvas.FindText("Impulse Noise Simulator")->d1, 6640);
  EXPECT_EQ(canvas.FindText("KP4-410")->d1, 7190);
  EXPECT_EQ(canvas.FindText("S-0042")->d1, 7740);

  // Boxes: white inside; the set ones crossed.
  EXPECT_TRUE(HasRectangle(canvas, L + 5300, 4990, L + 5710, 5400, kWhite));
  EXPECT_TRUE(HasRectangle(canvas, L + 9300, 4990, L + 9710, 5400, kWhite));
  EXPECT_TRUE(HasLine(canvas, L + 5300, 4990, L + 5710, 5400));
  EXPECT_TRUE(HasLine(canvas, L + 5300, 5400, L + 5710, 4990));
  EXPECT_FALSE(HasLine(canvas, L + 9300, 4990, L + 9710, 5400));
  EXPECT_TRUE(HasLine(canvas, L + 13300, 5400, L + 13710, 4990));
  EXPECT_EQ(canvas.FindText("Floor Stand")->x1, L + 9900);

  // Temperature range row.
  EXPECT_EQ(std::tie(canvas.FindText("23")->x1, canvas.FindText("23")->d1),
            std::make_tuple(L + 6500, 9940));
  EXPECT_EQ(canvas.FindText("25")->x1, L + 9500);
  EXPECT_TRUE(HasLine(canvas, L + 8500, 10140, L + 9000, 10140));
  EXPECT_TRUE(HasLine(canvas, L + 9500, 11440, L + 11000, 11440));  // pressure, empty
}

TEST(ReportDrawing, UnitReportPage) {
  CPELKDoc doc = NewDoc();
  doc.currentUnit = 12;
  UnitRecord& u = doc.unit(12);
  u.name = "Surge L2";
  u.testMode = 1;
  u.voltageSweep = 1;
  u.voltage = 5;
  u.voltageStop = 100;
  u.voltageStep = 5;
  doc.testMemo = "first\r\n\r\nsecond";
  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, Fixed(year{2024} / March / 5));
  drawing.reportPageCount = ReportPageCount(doc);
  drawing.DrawPage(1);

  EXPECT_TRUE(canvas.FindText("Page 1 / 1"));
  // Frame with its top at 13240 and its shadow.
  EXPECT_TRUE(HasRectangle(canvas, L, 13240, L + 17450, 15940, kWhite));
  EXPECT_TRUE(HasLine(canvas, L, 14340, L + 17450, 14340));
  EXPECT_TRUE(HasLine(canvas, L + 700, 13240, L + 700, 15940));
  EXPECT_TRUE(HasLine(canvas, L + 15800, 13240, L + 15800, 15940));
  EXPECT_TRUE(HasRectangle(canvas, L + 225, 15940, L + 17600, 16090, kShadow));
  EXPECT_TRUE(HasRectangle(canvas, L + 17450, 13465, L + 17600, 16090, kShadow));

  const auto* heading = canvas.FindText("INJECTION TIME");
  ASSERT_TRUE(heading);
  EXPECT_EQ(std::tie(heading->x1, heading->d1), std::make_tuple(L + 10850, 13740));
  EXPECT_EQ(heading->font, drawing.tableFont);
  const auto* voltage = canvas.FindText("0.05kV");
  ASSERT_TRUE(voltage);
  EXPECT_EQ(std::tie(voltage->x1, voltage->d1), std::make_tuple(L + 4350, 14740));
  EXPECT_EQ(canvas.FindText("1.00kV")->d1, 15040);
  EXPECT_EQ(canvas.CountText("0.05kV"), 2);  // start and step
  EXPECT_EQ(canvas.Texts().back().text, "second");
  const auto* mark = canvas.FindText("[2]");
  ASSERT_TRUE(mark);
  EXPECT_EQ(std::tie(mark->x1, mark->d1), std::make_tuple(L + 4050, 14440));
  EXPECT_EQ(canvas.FindText("12")->x1, L + 300);
  EXPECT_EQ(canvas.FindText("53.5ohm")->d1, 15040);

  const auto* name = canvas.FindText("TestName :");
  ASSERT_TRUE(name);
  EXPECT_EQ(std::tie(name->x1, name->d1), std::make_tuple(L + 300, 16390));
  EXPECT_EQ(canvas.FindText("Surge L2")->x1, L + 2000);
  EXPECT_EQ(canvas.FindText("Memo     :")->d1, 16940);
  // Two paragraphs, no gap for the empty line.
  EXPECT_EQ(std::tie(canvas.FindText("first")->x1, canvas.FindText("first")->d1),
            std::make_tuple(L + 2000, 16940));
  EXPECT_EQ(canvas.FindText("second")->d1, 17340);
}

TEST(ReportDrawing, ProgramMemoSpacing) {
  CPELKDoc doc = NewDoc();
  doc.programMode = 1;
  doc.currentProgram = 2;
  doc.testMemo = "test memo";
  const int b = 13240;
  const std::pair<std::string, int> cases[] = {
      {"", b + 2350}, {"one line", b + 2750}, {"line 1\nline 2", b + 3150}};
  for (const auto& [memo, expected] : cases) {
    doc.program(2).memo = memo;
    RecordingCanvas canvas;
    ReportDrawing drawing(canvas, doc, 1252, {});
    drawing.DrawProgramHeader(b);
    EXPECT_EQ(canvas.FindText("Memo         :")->d1, expected) << memo;
    EXPECT_EQ(canvas.FindText("test memo")->d1, expected) << memo;
    EXPECT_EQ(canvas.FindText("test memo")->x1, L + 2600) << memo;
    EXPECT_EQ(canvas.FindText("Program02")->d1, b + 550);
    EXPECT_EQ(canvas.FindText("1")->d1, b + 1100);
    EXPECT_EQ(canvas.FindText("ProgramMemo  :")->font, drawing.programFont);
  }
}

TEST(ReportDrawing, NineStepsFillPageTwo) {
  CPELKDoc doc = NewDoc();
  SetSteps(doc, 9);
  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, {});
  drawing.reportPageCount = ReportPageCount(doc);
  EXPECT_EQ(drawing.reportPageCount, 2);
  drawing.DrawPage(2);

  std::vector<int> frames;
  for (const auto& r : canvas.Of(Kind::Rectangle)) {
    if (r.fill == kWhite) frames.push_back(r.d1 + 100);
  }
  EXPECT_EQ(frames, (std::vector<int>{2790, 5290, 7790, 10290, 12790, 15290, 17790, 20290, 22790}));
  EXPECT_TRUE(HasRectangle(canvas, L, 22690, L + 17350, 24490, kWhite));
  EXPECT_TRUE(HasRectangle(canvas, L + 225, 24490, L + 17500, 24640, kShadow));
  EXPECT_TRUE(HasRectangle(canvas, L + 17350, 22915, L + 17500, 24640, kShadow));
  EXPECT_TRUE(HasLine(canvas, L, 23290, L + 17350, 23290));
  EXPECT_TRUE(HasLine(canvas, L + 13000, 22690, L + 13000, 24490));
  EXPECT_EQ(canvas.CountText("TestName :"), 9);
  EXPECT_EQ(canvas.FindText("Unit09")->d1, 22290);
  EXPECT_EQ(canvas.FindText("Unit09")->x1, L + 2000);
  EXPECT_EQ(doc.programCursor, 0);  // no further step
}

TEST(ReportDrawing, StepBlockPlaces) {
  CPELKDoc doc = NewDoc();
  doc.programMode = 1;
  doc.currentProgram = 1;
  ProgramRecord& p = doc.program(1);
  p.step(1) = kStepLineOn;
  p.step(3) = 5;
  p.step(5) = kStepLineOff;
  doc.programStepCount = doc.CountProgramSteps(1);
  // The form shows unit 1 in MANUAL; step pages use each step's own unit.
  doc.currentUnit = 1;
  UnitRecord& u = doc.unit(5);
  u.testMode = 1;
  u.voltageSweep = 1;
  u.voltageStop = 300;
  u.voltageStep = 20;
  u.widthSweep = 1;
  u.widthIndexStop = 3;
  u.polaritySweep = 1;
  u.triggerSweep = 1;

  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, {});
  drawing.DrawStepPage(2790, 2);
  const auto texts = canvas.Texts();
  EXPECT_EQ(std::tie(texts.front().text, texts.front().x1, texts.front().d1),
            std::make_tuple(std::string("LineOn"), L, 2790));
  EXPECT_EQ(texts.back().text, "LineOff");
  EXPECT_EQ(texts.back().d1, 7790);
  // Only the unit step has a frame.
  EXPECT_EQ(canvas.Of(Kind::Rectangle).size(), 3u);
  EXPECT_TRUE(HasRectangle(canvas, L, 5190, L + 17350, 6990, kWhite));

  const int d = 5290, dv = d + 650;
  EXPECT_EQ(canvas.FindText("TestName :")->d1, d - 500);
  EXPECT_EQ(canvas.FindText("TestName :")->x1, L);
  const std::tuple<const char*, int, int> places[] = {
      {"No.", L + 200, d - 50},        {"TERMINATE", L + 15980, d - 50},
      {"LINE", L + 15030, d - 50},     {"5", L + 300, dv},
      {"[4]", L + 900, dv - 300},      {"[3]", L + 2250, dv - 300},
      {"[2]", L + 3850, dv - 200},     {"[1]", L + 5700, dv - 200},
      {"3.00kV", L + 4350, dv + 300},  {"0.20kV", L + 4350, dv + 600},
      {"200ns", L + 2750, dv + 300},   {"21ms", L + 6200, dv + 300},
      {"1ms", L + 6200, dv + 600},     {"-", L + 1400, dv + 300},
      {"53.5ohm", L + 16000, dv + 300}};
  for (const auto& [text, x, at] : places) {
    const auto* call = canvas.FindText(text);
    ASSERT_TRUE(call) << text;
    EXPECT_EQ(std::tie(call->x1, call->d1), std::make_tuple(x, at)) << text;
  }
}

TEST(ReportDrawing, StepPagesAndCursor) {
  CPELKDoc doc = NewDoc();
  SetSteps(doc, 19);
  ReportDrawing::DateSource none;
  {
    RecordingCanvas canvas;
    ReportDrawing drawing(canvas, doc, 1252, none);
    drawing.DrawStepPage(2790, 2);
    EXPECT_EQ(doc.programCursor, 17);  // step 9's position: more steps follow
  }
  {
    RecordingCanvas canvas;
    ReportDrawing drawing(canvas, doc, 1252, none);
    drawing.DrawStepPage(2790, 3);
    EXPECT_EQ(canvas.CountText("TestName :"), 9);
    EXPECT_EQ(canvas.FindText("Unit10")->d1, 2290);
    EXPECT_EQ(canvas.FindText("Unit18")->d1, 22290);
    EXPECT_EQ(doc.programCursor, 35);
  }
  {
    RecordingCanvas canvas;
    ReportDrawing drawing(canvas, doc, 1252, none);
    drawing.DrawStepPage(2790, 4);
    EXPECT_EQ(canvas.CountText("TestName :"), 1);
    EXPECT_EQ(canvas.FindText("Unit19")->d1, 2290);
    EXPECT_EQ(doc.programCursor, 0);
  }
  {
    // A page beyond the program, and one far beyond the positions.
    RecordingCanvas canvas;
    ReportDrawing drawing(canvas, doc, 1252, none);
    drawing.DrawStepPage(2790, 5);
    drawing.DrawStepPage(2790, 1000000);
    EXPECT_TRUE(canvas.calls.empty());
  }
  // Fifty steps end at position 99; the scan stops at the end of the array.
  SetSteps(doc, 50);
  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, none);
  drawing.DrawStepPage(2790, 7);
  EXPECT_EQ(canvas.CountText("TestName :"), 5);
  EXPECT_EQ(doc.programCursor, 0);

  // No steps: page 2 holds " None" alone.
  CPELKDoc empty = NewDoc();
  empty.programMode = 1;
  RecordingCanvas none2;
  ReportDrawing d2(none2, empty, 1252, none);
  d2.DrawStepPage(2790, 2);
  ASSERT_EQ(none2.calls.size(), 1u);
  EXPECT_EQ(std::tie(none2.calls[0].text, none2.calls[0].x1, none2.calls[0].d1),
            std::make_tuple(std::string(" None"), L + 800, 2790));
}

TEST(ReportDrawing, StepCodesThatNameNothingKeepTheirPlace) {
  CPELKDoc doc = NewDoc();
  doc.programMode = 1;
  doc.program(1).step(1) = 77;  // from a damaged file
  doc.program(1).step(3) = 2;
  doc.programStepCount = doc.CountProgramSteps(1);
  RecordingCanvas canvas;
  ReportDrawing drawing(canvas, doc, 1252, {});
  drawing.DrawStepPage(2790, 2);
  EXPECT_EQ(canvas.FindText("Unit02")->d1, 2790 + 2500 - 500);
  EXPECT_EQ(canvas.Of(Kind::Rectangle).size(), 3u);
}

class WrappedText : public ::testing::Test {
 protected:
  std::vector<RecordingCanvas::Call> Draw(std::string_view text, const std::string& face,
                                          int codePage = 1252, int start = 16940) {
    ReportFont font{face, 260, 400, true};
    ReportDrawing drawing(canvas, doc, codePage, {});
    d = start;
    drawing.DrawWrappedText(d, 2000, text, font);
    return canvas.Texts();
  }
  CPELKDoc doc = NewDoc();
  RecordingCanvas canvas;
  int d = 0;
};

TEST_F(WrappedText, LimitByFace) {
  const std::string text(150, 'x');
  auto lines = Draw(text, "Courier New");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text.size(), 90u);
  EXPECT_EQ(lines[1].text.size(), 60u);
  EXPECT_EQ(lines[1].d1, 17340);
  EXPECT_EQ(lines[1].x1, L + 2000);
  EXPECT_EQ(d, 17340);

  canvas.calls.clear();
  lines = Draw(text, "Liberation Mono");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text.size(), 100u);
  EXPECT_EQ(lines[1].text.size(), 50u);
}

TEST_F(WrappedText, ParagraphsAndTwelveLines) {
  auto lines = Draw("one\r\n\r\ntwo\n\n\nthree\r", "Courier New");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(DsOf(lines), (std::vector<int>{16940, 17340, 17740}));

  canvas.calls.clear();
  std::string many;
  for (int i = 1; i <= 20; ++i) many += "line " + std::to_string(i) + "\r\n";
  lines = Draw(many, "Courier New");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines.back().text, "line 12");
  EXPECT_EQ(d, 16940 + 11 * 400);

  // Lines of a long paragraph count towards the twelve.
  canvas.calls.clear();
  lines = Draw(std::string(90 * 11 + 5, 'a') + "\nnext\nlast", "Courier New");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines.back().text, "aaaaa");

  canvas.calls.clear();
  lines = Draw("\r\n\r\n", "Courier New");
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(d, 16940 - 400);
}

TEST_F(WrappedText, StopsBelow26000) {
  std::string memo;
  for (int i = 1; i <= 6; ++i) memo += "m" + std::to_string(i) + "\n";
  // Lines at 24400, 24800, 25200, 25600, 26000 print; 26400 does not.
  auto lines = Draw(memo, "Courier New", 1252, 24400);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.back().d1, 26000);
  EXPECT_EQ(d, 26400);
}

TEST_F(WrappedText, DoubleByteCharactersStayWhole) {
  // "あ" is 0x82 0xA0. With 89 ASCII bytes first, its lead byte sits at
  // index 89, the last place of a Courier New line.
  const std::string a = "\x82\xA0";
  auto lines = Draw(std::string(89, 'x') + a + "yz", "Courier New", 932);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, std::string(89, 'x'));
  EXPECT_EQ(lines[1].text, a + "yz");

  // 45 double-byte characters are exactly 90 bytes: one full line.
  canvas.calls.clear();
  std::string wide;
  for (int i = 0; i < 46; ++i) wide += a;
  lines = Draw(wide, "Courier New", 932);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text.size(), 90u);
  EXPECT_EQ(lines[1].text, a);

  // "＝" is 0x81 0x81: at index 88 its trail byte, at the last place, has a
  // lead byte's value. The character ends the line whole; cutting before that
  // trail byte would split it.
  canvas.calls.clear();
  const std::string equals = "\x81\x81";
  lines = Draw(std::string(88, 'x') + equals + "tail", "Courier New", 932);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, std::string(88, 'x') + equals);
  EXPECT_EQ(lines[1].text, "tail");

  // Code page 1252 has no lead bytes.
  canvas.calls.clear();
  lines = Draw(std::string(89, 'x') + "\x82\xA0" + "yz", "Courier New", 1252);
  EXPECT_EQ(lines[0].text.size(), 90u);
}

}  // namespace
}  // namespace hvt
