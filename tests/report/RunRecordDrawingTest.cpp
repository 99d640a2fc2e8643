#include <gtest/gtest.h>

#include "report/RecordingCanvas.h"
#include "report/RunRecordDrawing.h"

namespace hvt {
namespace {

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

TEST(RunRecordDrawing, WrapsEveryLineWholeAndPagesThemAll) {
  RunRecord record;
  std::string words;
  for (int i = 0; i < 40; ++i) words += (i ? " word" : "word") + std::to_string(i);
  std::string unbroken;
  for (int i = 0; i < 150; ++i) unbroken += "\xC3\xA9";  // é, two bytes each
  record.lines.push_back({words, true});
  record.lines.push_back({unbroken});
  record.lines.push_back({});
  for (int i = 0; i < 200; ++i) record.lines.push_back({"line " + std::to_string(i)});
  record.lines.push_back({"203 records, last hash abc"});

  RecordingCanvas canvas;
  RunRecordDrawing drawing(canvas, record, {});
  const PageMeasures page = MeasurePage(canvas);
  std::string joinedWords, joinedUnbroken;
  size_t placed = 0;
  for (const auto& lines : drawing.Pages()) {
    for (const auto& line : lines) {
      ++placed;
      ASSERT_TRUE(line.text.empty() || !Continues(line.text.front())) << line.text;
      ReportFont font{"Courier New", 280, line.flagged ? 700 : 400, true};
      EXPECT_LE(RecordingCanvas::Width(font, line.text) + (line.continuation ? 1000 : 200),
                page.width);
      if (line.text.rfind("word", 0) == 0) joinedWords += line.text + " ";
      if (!line.text.empty() && line.text[0] == '\xC3') joinedUnbroken += line.text;
      if (line.text.rfind("word", 0) == 0) {
        EXPECT_TRUE(line.flagged);
      }
    }
  }
  EXPECT_EQ(joinedWords, words + " ");  // cut at spaces only, nothing lost
  EXPECT_EQ(joinedUnbroken, unbroken);
  EXPECT_GT(placed, record.lines.size());
  ASSERT_GE(drawing.PageCount(), 3);
  EXPECT_EQ(drawing.Pages().back().back().text, "203 records, last hash abc");

  const int last = drawing.PageCount();
  drawing.DrawPage(last);
  EXPECT_TRUE(canvas.FindText("Run Record"));
  const std::string footer = "Page " + std::to_string(last) + " / " + std::to_string(last);
  ASSERT_TRUE(canvas.FindText(footer));
  for (const auto& call : canvas.Texts()) {
    if (call.text != footer && call.text != "Run Record") {
      EXPECT_LT(call.d1 + 400, canvas.FindText(footer)->d1 - 200) << call.text;
    }
  }
}

}  // namespace
}  // namespace hvt
