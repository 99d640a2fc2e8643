#include "ui/SpinArrows.h"

#include <QVBoxLayout>
#include <algorithm>

namespace hvt {

SpinArrows::SpinArrows(QWidget* parent)
    : QWidget(parent), up(new QToolButton(this)), down(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {up, down}) {
    b->setArrowType(b == up ? Qt::UpArrow : Qt::DownArrow);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(b);
  }
  for (QToolButton* b : {up, down})
    connect(b, &QToolButton::pressed, this, [this] { held.start(); });
  connect(up, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void SpinArrows::SetRange(int l, int h) {
  low = std::min(l, h);
  high = std::max(l, h);
  position = std::clamp(position, low, high);
}

void SpinArrows::SetAccessibleNames(const QString& name) {
  setAccessibleName(name);
  up->setAccessibleName(name + QStringLiteral(" up"));
  down->setAccessibleName(name + QStringLiteral(" down"));
}

void SpinArrows::SetPosition(int p) { position = std::clamp(p, low, high); }

void SpinArrows::Step(int direction) {
  int by = 1;
  const qint64 seconds = held.isValid() ? held.elapsed() / 1000 : 0;
  for (const auto& [after, step] : acceleration) {
    if (seconds >= after) by = step;
  }
  const int next = std::clamp(position + direction * by, low, high);
  if (next == position) return;
  position = next;
  emit moved(position);
}

}  // namespace hvt
