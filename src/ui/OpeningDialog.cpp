#include "ui/OpeningDialog.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "ui/DialogUnits.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

QLabel* Static(QWidget* parent, const QString& text, const QRect& rect, const QFont& font,
               const char* name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(rect);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255); background: transparent;"));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}
}  // namespace

QPixmap ProgramLogo(QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width();
  const qreal h = size.height();
  // A pulse over a mains wave: what the instrument does.
  p.setPen(QPen(QColor(0, 0, 150), 1.5));
  QPainterPath wave;
  for (int x = 0; x <= static_cast<int>(w); ++x) {
    const qreal y = h * 0.6 - std::sin(x / w * 2 * 3.14159265) * h * 0.25;
    if (x == 0)
      wave.moveTo(x, y);
    else
      wave.lineTo(x, y);
  }
  p.drawPath(wave);
  p.setPen(QPen(QColor(220, 0, 0), 2));
  p.drawLine(QPointF(w * 0.3, h * 0.9), QPointF(w * 0.3, h * 0.05));
  p.drawLine(QPointF(w * 0.3, h * 0.05), QPointF(w * 0.36, h * 0.9));
  return pixmap;
}

OpeningDialog::OpeningDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("OpeningDialog"));
  setFixedSize(DluX(205), DluY(95));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(225, 225, 225));
  setPalette(pal);
  setStyleSheet(QStringLiteral("#OpeningDialog { border: 2px groove rgb(160, 160, 160); }"));

  QFont title(UiText(TextId::SerifFace));
  title.setPixelSize(24);
  title.setItalic(true);
  title.setStyleHint(QFont::Serif);
  Static(this, QStringLiteral("HVT-KP4\nRemote Control Software"), DluRect(33, 6, 165, 48), title,
         "title");
  Static(this, QStringLiteral("Ver"), DluRect(98, 62, 31, 16), title, "ver");
  Static(this, UiText(TextId::Version), DluRect(140, 62, 58, 16), title, "version");

  auto* logo = new QLabel(this);
  logo->setObjectName(QStringLiteral("logo"));
  logo->setGeometry(DluRect(12, 61, 61, 27));
  logo->setPixmap(ProgramLogo(logo->size()));

  auto* maker = new QLabel(QStringLiteral("Korrin HVT"), this);
  maker->setGeometry(DluRect(105, 84, 87, 8));
}

}  // namespace hvt
