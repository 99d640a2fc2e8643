#include "ui/SpinArrows.h"

#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "ui/UiText.h"

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
  Watch(up, +1);
  Watch(down, -1);
}

void SpinArrows::Watch(QToolButton* button, int direction) {
  // Qt's auto-repeat sends released, clicked and pressed for every repeat
  // while the button stays down; only the first press and a release with
  // the button up are the operator's.
  auto holding = std::make_shared<bool>(false);
  connect(button, &QToolButton::pressed, this, [this, button, direction, holding] {
    if (*holding || !button->isDown()) return;
    *holding = true;
    emit arrow(ArrowAction::Press, direction);
  });
  connect(button, &QToolButton::clicked, this, [this, button, direction, holding] {
    if (*holding && button->isDown()) emit arrow(ArrowAction::Repeat, direction);
  });
  connect(button, &QToolButton::released, this, [this, button, direction, holding] {
    if (!*holding || button->isDown()) return;
    *holding = false;
    emit arrow(ArrowAction::Release, direction);
  });
}

void SpinArrows::SetRange(int l, int h) {
  low = std::min(l, h);
  high = std::max(l, h);
  position = std::clamp(position, low, high);
}

void SpinArrows::SetAccessibleNames(const QString& name) {
  setAccessibleName(name);
  up->setAccessibleName(UiText(TextId::UpName, name));
  down->setAccessibleName(UiText(TextId::DownName, name));
}

void SpinArrows::SetPosition(int p) { position = std::clamp(p, low, high); }

}  // namespace hvt
