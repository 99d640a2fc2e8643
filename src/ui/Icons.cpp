#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace hvt {

namespace {

void Memo(QPainter& p, qreal s, QColor ink) {
  p.setPen(QPen(Qt::black, s / 16));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(s * 0.2, s * 0.1, s * 0.6, s * 0.8));
  p.setPen(QPen(ink, s / 16));
  for (int i = 0; i < 3; ++i)
    p.drawLine(QPointF(s * 0.3, s * (0.3 + 0.18 * i)), QPointF(s * 0.7, s * (0.3 + 0.18 * i)));
}

void Pencil(QPainter& p, qreal s, QColor body) {
  p.setPen(QPen(Qt::black, s / 16));
  p.setBrush(body);
  QPolygonF pencil{{s * 0.15, s * 0.85},
                   {s * 0.25, s * 0.6},
                   {s * 0.7, s * 0.15},
                   {s * 0.85, s * 0.3},
                   {s * 0.4, s * 0.75}};
  p.drawPolygon(pencil);
}

void Arrow(QPainter& p, qreal w, qreal h, bool up) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  QPolygonF tri = up ? QPolygonF{{w * 0.5, h * 0.25}, {w * 0.15, h * 0.75}, {w * 0.85, h * 0.75}}
                     : QPolygonF{{w * 0.5, h * 0.75}, {w * 0.15, h * 0.25}, {w * 0.85, h * 0.25}};
  p.drawPolygon(tri);
}

void Lamp(QPainter& p, qreal s, bool lit) {
  QRadialGradient g(QPointF(s * 0.4, s * 0.4), s * 0.5);
  g.setColorAt(0, lit ? QColor(255, 200, 200) : QColor(120, 40, 40));
  g.setColorAt(1, lit ? QColor(255, 0, 0) : QColor(70, 0, 0));
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(g);
  p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
}

}  // namespace

QPixmap ResourceImage(int resource, int size) {
  const bool step = resource == 161 || resource == 162;
  const int w = size;
  const int h = step ? size + 1 : size;  // the step buttons' images are 12 x 13
  QPixmap pixmap(w, h);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  switch (resource) {
    case 134:
      Memo(p, s, QColor(0, 0, 150));
      break;  // test memo
    case 151:
      Memo(p, s, QColor(0, 130, 0));
      break;  // program memo
    case 152:
      Pencil(p, s, QColor(0, 0, 200));
      break;  // unit name
    case 153:
      Pencil(p, s, QColor(0, 150, 0));
      break;  // program name
    case 161:
      Arrow(p, w, h, true);
      break;  // next
    case 162:
      Arrow(p, w, h, false);
      break;     // previous
    case 136:    // START
    case 165: {  // START, dark while it cannot start
      p.setPen(QPen(Qt::black, s / 32));
      p.setBrush(resource == 136 ? QColor(0, 170, 0) : QColor(90, 110, 90));
      p.drawPolygon(QPolygonF{{s * 0.25, s * 0.15}, {s * 0.85, s * 0.5}, {s * 0.25, s * 0.85}});
      break;
    }
    case 144:  // STOP
      p.setPen(QPen(Qt::black, s / 32));
      p.setBrush(QColor(220, 0, 0));
      p.drawRect(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.6));
      break;
    case 147:  // PAUSE
    case 164:
      p.setPen(QPen(Qt::black, s / 32));
      p.setBrush(resource == 147 ? QColor(230, 160, 0) : QColor(120, 100, 60));
      p.drawRect(QRectF(s * 0.22, s * 0.18, s * 0.18, s * 0.64));
      p.drawRect(QRectF(s * 0.6, s * 0.18, s * 0.18, s * 0.64));
      break;
    case 171:  // LINE on: a lit mains wave
    case 172: {
      p.setPen(QPen(resource == 171 ? QColor(230, 0, 0) : QColor(90, 90, 90), s / 12));
      QPainterPath wave;
      for (int x = 0; x <= 24; ++x) {
        const qreal px = s * (0.1 + 0.8 * x / 24.0);
        const qreal py = s * (0.5 - 0.28 * std::sin(x / 24.0 * 2 * 3.14159265));
        if (x == 0)
          wave.moveTo(px, py);
        else
          wave.lineTo(px, py);
      }
      p.drawPath(wave);
      break;
    }
    case 170:  // 1SHOT: one pulse
      p.setPen(QPen(QColor(0, 0, 150), s / 14));
      p.drawPolyline(QPolygonF{{s * 0.1, s * 0.8},
                               {s * 0.45, s * 0.8},
                               {s * 0.5, s * 0.15},
                               {s * 0.55, s * 0.8},
                               {s * 0.9, s * 0.8}});
      break;
    case 163:  // TRIGGER: a spark
      p.setPen(QPen(Qt::black, s / 32));
      p.setBrush(QColor(255, 210, 0));
      p.drawPolygon(QPolygonF{{s * 0.55, s * 0.05},
                              {s * 0.25, s * 0.55},
                              {s * 0.48, s * 0.55},
                              {s * 0.38, s * 0.95},
                              {s * 0.78, s * 0.4},
                              {s * 0.54, s * 0.4}});
      break;
    case 132:
      Lamp(p, s, true);
      break;
    case 158:
      Lamp(p, s, false);
      break;
    default:
      break;
  }
  return pixmap;
}

namespace {

// The standard arrow in the top left corner of a 32 x 32 cursor, which
// each cursor completes with its own hint.
void DrawArrow(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF{{0, 0}, {0, 16}, {4, 12}, {7, 19}, {9, 18}, {6, 11}, {11, 11}});
}

}  // namespace

QCursor ProgramListCursor() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  DrawArrow(p);
  p.translate(12, 12);
  p.scale(0.5, 0.5);
  Pencil(p, 32, QColor(0, 150, 0));
  return QCursor(pixmap, 0, 0);
}

QCursor DoubleClickCursor() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  DrawArrow(p);
  // The mouse body.
  QPainterPath body;
  body.addRoundedRect(QRectF(16, 12, 12, 18), 5, 5);
  p.drawPath(body);
  p.setBrush(QColor(0, 120, 215));
  p.drawRect(QRectF(16.5, 12.5, 5.5, 6.5));
  p.drawLine(QPointF(22, 12), QPointF(22, 19));
  p.drawLine(QPointF(16, 19), QPointF(28, 19));
  // Two clicks.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 120, 215), 1.2));
  p.drawArc(QRectF(13, 5, 8, 8), 30 * 16, 120 * 16);
  p.drawArc(QRectF(10, 2, 14, 14), 30 * 16, 120 * 16);
  return QCursor(pixmap, 0, 0);
}

}  // namespace hvt
