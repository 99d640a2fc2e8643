#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hvt {

struct Colour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Colour&) const = default;
};

inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

// A font as the report asks for it. The face name is in the document's code
// page (the Japanese table names its faces in Shift-JIS); height is the
// character cell height in 0.01 mm.
struct ReportFont {
  std::string face;
  int height = 0;
  int weight = 400;
  bool fixedPitch = false;
  bool operator==(const ReportFont&) const = default;
};

// A pen. Width 0 is the thinnest line the device draws.
struct Stroke {
  Colour colour = kBlack;
  int width = 0;
  bool operator==(const Stroke&) const = default;
};

// Where the report draws: a page in units of 0.01 mm. A position is (x, d):
// x to the right from the left edge of the printable area, d downwards from
// its top edge. A text's position is the top-left corner of its character
// cell. Texts are bytes in the document's code page.
class ReportCanvas {
 public:
  virtual ~ReportCanvas() = default;

  // Size of the printable area in whole millimetres, as a printer reports it.
  virtual int HorizontalSizeMm() const = 0;
  virtual int VerticalSizeMm() const = 0;

  virtual int TextWidth(const ReportFont& font, std::string_view text) = 0;
  // transparent false paints the character cells white behind the glyphs.
  virtual void Text(int x, int d, const ReportFont& font, std::string_view text,
                    bool transparent) = 0;
  virtual void Line(int x1, int d1, int x2, int d2, const Stroke& stroke) = 0;
  // Outline with the stroke, inside filled with the fill colour.
  virtual void Rectangle(int x1, int d1, int x2, int d2, const Stroke& stroke, Colour fill) = 0;
  // A solid area without outline.
  virtual void Fill(int x1, int d1, int x2, int d2, Colour colour) = 0;
};

}  // namespace hvt
