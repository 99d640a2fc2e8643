// The report's fonts as figures: face, cell height (0.01 mm), weight and
// pitch of every text on the page, by the block it belongs to.

#include <gtest/gtest.h>

#include "model/StringTable.h"
#include "report/RecordingCanvas.h"
#include "report/ReportDrawing.h"

namespace hvt {
namespace {

using namespace std::chrono;

struct Faces {
  std::string fixed;
  std::string title;
};

const Faces kEnglish{"Courier New", "Times New Roman"};
// "ＭＳ ゴシック" and "ＭＳ Ｐ明朝" in Shift-JIS.
const Faces kJapanese{"\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E",
                      "\x82\x6C\x82\x72\x20\x82\x6F\x96\xBE\x92\xA9"};

struct Expected {
  ReportFont title, footer, equipment, program, table;
};

Expected FontsFor(const Faces& f) {
  return {{f.title, 760, 700, false},
          {f.fixed, 360, 100, false},
          {f.fixed, 360, 400, true},
          {f.fixed, 300, 400, true},
          {f.fixed, 260, 400, true}};
}

class ReportFonts : public ::testing::TestWithParam<Language> {
 protected:
  void SetUp() override { StringTable::SetLanguage(GetParam()); }
  void TearDown() override { StringTable::SetLanguage(Language::English); }

  CPELKDoc Document() {
    CPELKDoc doc;
    doc.SetDemoConfiguration(3);
    doc.InitNewDocument();
    doc.testMemo = "memo";
    doc.eutTexts[0] = "device";
    doc.eutDeskTop = 1;
    doc.program(1).step(1) = 1;
    doc.program(1).step(3) = kStepLineOn;
    doc.program(1).memo = "program memo";
    return doc;
  }

  // Draws the page and checks every text against the font of its block,
  // found by where the text sits: the title band, the footer band, the
  // equipment block (d 2790 to 13240) and what comes below it.
  void CheckPage(CPELKDoc& doc, int page, const ReportFont& below) {
    const Expected e = FontsFor(GetParam() == Language::English ? kEnglish : kJapanese);
    RecordingCanvas canvas(200, 287);
    ReportDrawing drawing(canvas, doc, GetParam() == Language::English ? 1252 : 932,
                          [] { return year{2024} / March / 5; });
    drawing.reportPageCount = ReportPageCount(doc);
    drawing.DrawPage(page);
    const auto texts = canvas.Texts();
    ASSERT_GT(texts.size(), 5u);
    int counted[4] = {};
    for (const auto& t : texts) {
      SCOPED_TRACE("\"" + t.text + "\" at d " + std::to_string(t.d1));
      if (t.d1 < 1950) {
        EXPECT_EQ(t.font, e.title);
        ++counted[0];
      } else if (t.d1 >= 28700 - 850) {
        EXPECT_EQ(t.font, e.footer);
        ++counted[1];
      } else if (page == 1 && t.d1 < 13240) {
        EXPECT_EQ(t.font, e.equipment);
        ++counted[2];
      } else {
        EXPECT_EQ(t.font, below);
        ++counted[3];
      }
    }
    EXPECT_EQ(counted[0], 1);  // the title
    EXPECT_EQ(counted[1], 2);  // page number and date
    EXPECT_GE(counted[2], page == 1 ? 12 : 0);
    EXPECT_GE(counted[3], 3);
  }
};

TEST_P(ReportFonts, UnitReport) {
  CPELKDoc doc = Document();
  CheckPage(doc, 1, FontsFor(GetParam() == Language::English ? kEnglish : kJapanese).table);
}

TEST_P(ReportFonts, ProgramReport) {
  CPELKDoc doc = Document();
  doc.programMode = 1;
  doc.currentProgram = 1;
  doc.programStepCount = doc.CountProgramSteps(1);
  const Expected e = FontsFor(GetParam() == Language::English ? kEnglish : kJapanese);
  CheckPage(doc, 1, e.program);
  CheckPage(doc, 2, e.table);
}

INSTANTIATE_TEST_SUITE_P(Languages, ReportFonts,
                         ::testing::Values(Language::English, Language::Japanese),
                         [](const auto& info) {
                           return info.param == Language::English ? "English" : "Japanese";
                         });

}  // namespace
}  // namespace hvt
