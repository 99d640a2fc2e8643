// A damaged document must still draw every report page without a crash or
// an out-of-bounds read, and memo wrapping must keep its limits for any
// bytes, in both code pages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/DocumentFile.h"
#include "model/TextCodec.h"
#include "report/ReportDrawing.h"

namespace {

// Aborts when anything is drawn above or below the page.
class NullCanvas final : public hvt::ReportCanvas {
 public:
  int HorizontalSizeMm() const override { return 200; }
  int VerticalSizeMm() const override { return 287; }
  int TextWidth(const hvt::ReportFont& font, std::string_view text) override {
    return static_cast<int>(text.size()) * font.height / 2;
  }
  void Text(int, int d, const hvt::ReportFont&, std::string_view, bool) override { Check(d); }
  void Line(int, int d1, int, int d2, const hvt::Stroke&) override { Check(d1), Check(d2); }
  void Rectangle(int, int d1, int, int d2, const hvt::Stroke&, hvt::Colour) override {
    Check(d1), Check(d2);
  }
  void Fill(int, int d1, int, int d2, hvt::Colour) override { Check(d1), Check(d2); }

 private:
  static void Check(int d) {
    if (d < 0 || d > 28700) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int codePage : {1252, 932}) {
    for (size_t limit : {90u, 100u}) {
      const auto lines = hvt::WrapMemoLines(bytes, limit, codePage, 12);
      if (lines.size() > 12) std::abort();
      for (std::string_view line : lines) {
        if (line.empty() || line.size() > limit) std::abort();
        if (line.find_first_of("\r\n") != std::string_view::npos) std::abort();
      }
    }
  }

  static const hvt::CPELKDoc fresh = [] {
    hvt::CPELKDoc doc;
    doc.InitNewDocument();
    return doc;
  }();
  hvt::CPELKDoc doc = fresh;
  if (hvt::LoadDocument(doc, bytes, hvt::Cp1252Codec::Instance()) == hvt::LoadOutcome::HeaderDiffers) {
    return 0;
  }
  NullCanvas canvas;
  for (int mode : {0, 1}) {
    doc.programMode = mode;
    if (doc.currentProgram >= 1 && doc.currentProgram <= hvt::kProgramCount) {
      doc.programStepCount = doc.CountProgramSteps(doc.currentProgram);
    }
    hvt::ReportDrawing drawing(canvas, doc, mode == 0 ? 1252 : 932, {});
    drawing.reportPageCount = hvt::ReportPageCount(doc);
    for (int page = 1; page <= drawing.reportPageCount + 1; ++page) drawing.DrawPage(page);
  }
  return 0;
}
