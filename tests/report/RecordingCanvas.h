#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/ReportCanvas.h"

namespace hvt {

// Records every drawing call. Text widths follow a fixed metric, so layout
// assertions do not depend on any font: each byte is 6/10 of the cell height.
class RecordingCanvas final : public ReportCanvas {
 public:
  enum class Kind { Text, Line, Rectangle, Fill };
  struct Call {
    Kind kind;
    int x1 = 0, d1 = 0, x2 = 0, d2 = 0;
    std::string text;
    ReportFont font;
    bool transparent = false;
    Stroke stroke;
    Colour fill;
  };

  explicit RecordingCanvas(int widthMm = 200, int heightMm = 287)
      : widthMm(widthMm), heightMm(heightMm) {}

  int HorizontalSizeMm() const override { return widthMm; }
  int VerticalSizeMm() const override { return heightMm; }

  static int Width(const ReportFont& font, std::string_view text) {
    return static_cast<int>(text.size()) * font.height * 6 / 10;
  }
  int TextWidth(const ReportFont& font, std::string_view text) override { return Width(font, text); }
  void Text(int x, int d, const ReportFont& font, std::string_view text, bool transparent) override {
    Call c{Kind::Text, x, d, x, d, std::string(text), font, transparent, {}, {}};
    calls.push_back(c);
  }
  void Line(int x1, int d1, int x2, int d2, const Stroke& stroke) override {
    calls.push_back(Call{Kind::Line, x1, d1, x2, d2, {}, {}, false, stroke, {}});
  }
  void Rectangle(int x1, int d1, int x2, int d2, const Stroke& stroke, Colour fill) override {
    calls.push_back(Call{Kind::Rectangle, x1, d1, x2, d2, {}, {}, false, stroke, fill});
  }
  void Fill(int x1, int d1, int x2, int d2, Colour colour) override {
    calls.push_back(Call{Kind::Fill, x1, d1, x2, d2, {}, {}, false, {}, colour});
  }

  // The texts drawn, in order.
  std::vector<Call> Texts() const { return Of(Kind::Text); }
  std::vector<Call> Of(Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.kind == kind) out.push_back(c);
    }
    return out;
  }
  // The first text call with exactly this text, or nullptr.
  const Call* FindText(std::string_view text) const {
    for (const Call& c : calls) {
      if (c.kind == Kind::Text && c.text == text) return &c;
    }
    return nullptr;
  }
  int CountText(std::string_view text) const {
    int n = 0;
    for (const Call& c : calls) n += c.kind == Kind::Text && c.text == text;
    return n;
  }

  std::vector<Call> calls;
  int widthMm;
  int heightMm;
};

}  // namespace hvt
