#pragma once

#include <QFont>
#include <QString>
#include <map>
#include <string_view>

#include "model/TextCodec.h"
#include "report/ReportCanvas.h"

class QPainter;

namespace hvt {

// The report canvas on a QPainter: a PDF now, a printer or a print preview
// later. The painter draws in 0.01 mm with (x, d) as Qt's (x, y).
class QtReportCanvas final : public ReportCanvas {
 public:
  // The painter is active on a paged device whose painter origin is the top
  // left of the printable area. widthMm and heightMm are that area in whole
  // millimetres; dpiX and dpiY the device's resolution. Texts and face names
  // are converted from the code page of codec.
  QtReportCanvas(QPainter& painter, int widthMm, int heightMm, int dpiX, int dpiY,
                 const TextCodec& codec);

  // Sets the 0.01 mm window on the device; call at the start of every page.
  void BeginPage();

  int HorizontalSizeMm() const override { return widthMm; }
  int VerticalSizeMm() const override { return heightMm; }
  int TextWidth(const ReportFont& font, std::string_view text) override;
  void Text(int x, int d, const ReportFont& font, std::string_view text, bool transparent) override;
  void Line(int x1, int d1, int x2, int d2, const Stroke& stroke) override;
  void Rectangle(int x1, int d1, int x2, int d2, const Stroke& stroke, Colour fill) override;
  void Fill(int x1, int d1, int x2, int d2, Colour colour) override;

  // The family drawn for a face name: the face itself when installed, else a
  // metric-compatible stand-in (Liberation for the Windows faces, Noto CJK
  // for the Japanese ones).
  static QString ResolveFamily(const QString& face, bool fixedPitch);

 private:
  struct FontKey {
    std::string face;
    int height;
    int weight;
    bool fixedPitch;
    auto operator<=>(const FontKey&) const = default;
  };
  struct ResolvedFont {
    QFont font;
    double ascent = 0;
  };

  const ResolvedFont& FontFor(const ReportFont& font);
  QString Unicode(std::string_view bytes) const;

  QPainter& painter;
  int widthMm;
  int heightMm;
  int dpiX;
  int dpiY;
  const TextCodec& codec;
  std::map<FontKey, ResolvedFont> fonts;
};

}  // namespace hvt
