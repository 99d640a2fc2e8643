#include "platform/QtReportCanvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace hvt {
namespace {

QColor ToQColor(Colour c) { return QColor(c.r, c.g, c.b); }

QPen ToPen(const Stroke& stroke) {
  QPen pen(ToQColor(stroke.colour));
  // Width 0 stays a cosmetic hairline: the thinnest line the device draws.
  pen.setWidth(stroke.width);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

QRectF Area(int x1, int d1, int x2, int d2) {
  return QRectF(QPointF(x1, d1), QPointF(x2, d2)).normalized();
}

bool IsAscii(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() > 0x7F) return false;
  }
  return true;
}

}  // namespace

QtReportCanvas::QtReportCanvas(QPainter& painter, int widthMm, int heightMm, int dpiX, int dpiY,
                               const TextCodec& codec)
    : painter(painter),
      widthMm(widthMm),
      heightMm(heightMm),
      dpiX(dpiX),
      dpiY(dpiY),
      codec(codec) {}

void QtReportCanvas::BeginPage() {
  painter.setWindow(0, 0, widthMm * 100, heightMm * 100);
  painter.setViewport(0, 0, static_cast<int>(std::lround(widthMm * dpiX / 25.4)),
                      static_cast<int>(std::lround(heightMm * dpiY / 25.4)));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
}

QString QtReportCanvas::ResolveFamily(const QString& face, bool fixedPitch) {
  if (QFontDatabase::hasFamily(face)) return face;
  QStringList standIns;
  if (face.contains(QLatin1String("Courier New"), Qt::CaseInsensitive)) {
    standIns << QStringLiteral("Liberation Mono");
  } else if (face.contains(QLatin1String("Times New Roman"), Qt::CaseInsensitive)) {
    standIns << QStringLiteral("Liberation Serif");
  } else if (!IsAscii(face)) {
    // The Japanese table names Windows' Japanese faces: a fixed-pitch Gothic
    // for the tables, a proportional Mincho (U+660E U+671D) for the title.
    if (fixedPitch) {
      standIns << QStringLiteral("Noto Sans Mono CJK JP");
    } else if (face.contains(QString::fromUtf8("\xE6\x98\x8E\xE6\x9C\x9D"))) {
      standIns << QStringLiteral("Noto Serif CJK JP");
    }
    standIns << QStringLiteral("Noto Sans CJK JP");
  }
  for (const QString& standIn : standIns) {
    if (QFontDatabase::hasFamily(standIn)) return standIn;
  }
  return face;
}

QString QtReportCanvas::Unicode(std::string_view bytes) const {
  if (auto utf8 = codec.ToUtf8(bytes)) return QString::fromStdString(*utf8);
  // Bytes that are not text in the code page still print something.
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

const QtReportCanvas::ResolvedFont& QtReportCanvas::FontFor(const ReportFont& font) {
  const FontKey key{font.face, font.height, font.weight, font.fixedPitch};
  if (auto it = fonts.find(key); it != fonts.end()) return it->second;

  QFont f(ResolveFamily(Unicode(font.face), font.fixedPitch));
  f.setStyleHint(font.fixedPitch ? QFont::TypeWriter : QFont::AnyStyle);
  f.setFixedPitch(font.fixedPitch);
  f.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);
  // The height names the character cell (ascent + descent), as on Windows;
  // Qt sizes fonts by their em, so scale by the face's own proportion.
  const int height = std::max(font.height, 1);
  f.setPixelSize(height);
  const QFontMetricsF probe(f);
  const double cell = probe.ascent() + probe.descent();
  if (cell > 0) f.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
  const QFontMetricsF metrics(f);
  return fonts.emplace(key, ResolvedFont{f, metrics.ascent()}).first->second;
}

int QtReportCanvas::TextWidth(const ReportFont& font, std::string_view text) {
  const QFontMetricsF metrics(FontFor(font).font);
  return static_cast<int>(std::lround(metrics.horizontalAdvance(Unicode(text))));
}

void QtReportCanvas::Text(int x, int d, const ReportFont& font, std::string_view text,
                          bool transparent) {
  const ResolvedFont& f = FontFor(font);
  painter.save();
  painter.setFont(f.font);
  painter.setPen(Qt::black);
  painter.setBackground(Qt::white);
  painter.setBackgroundMode(transparent ? Qt::TransparentMode : Qt::OpaqueMode);
  // (x, d) is the top-left of the character cell; Qt places the baseline.
  painter.drawText(QPointF(x, d + f.ascent), Unicode(text));
  painter.restore();
}

void QtReportCanvas::Line(int x1, int d1, int x2, int d2, const Stroke& stroke) {
  painter.setPen(ToPen(stroke));
  painter.drawLine(QPointF(x1, d1), QPointF(x2, d2));
}

void QtReportCanvas::Rectangle(int x1, int d1, int x2, int d2, const Stroke& stroke, Colour fill) {
  painter.setPen(ToPen(stroke));
  painter.setBrush(ToQColor(fill));
  painter.drawRect(Area(x1, d1, x2, d2));
  painter.setBrush(Qt::NoBrush);
}

void QtReportCanvas::Fill(int x1, int d1, int x2, int d2, Colour colour) {
  painter.fillRect(Area(x1, d1, x2, d2), ToQColor(colour));
}

}  // namespace hvt
