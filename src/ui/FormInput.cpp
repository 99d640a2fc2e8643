#include "ui/FormInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace hvt {

namespace {

Key KeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return Key::Enter;
    case Qt::Key_Escape:
      return Key::Escape;
    case Qt::Key_Space:
      return Key::Space;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return Key::Tab;
    case Qt::Key_F8:
      return Key::F8;
    default:
      return Key::Other;
  }
}

bool InsideForm(QObject* object, QWidget* form) {
  for (QObject* o = object; o; o = o->parent()) {
    if (o == form) return true;
  }
  return false;
}

}  // namespace

FormInput::FormInput(QWidget* form, std::function<std::optional<ControlId>(QObject*)> controlOf)
    : QObject(form), form(form), controlOf(std::move(controlOf)) {
  qApp->installEventFilter(this);
}

std::optional<KeyEvent> FormInput::ToKeyEvent(const QEvent* event,
                                              std::optional<ControlId> focused) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
      event->type() != QEvent::ShortcutOverride)
    return std::nullopt;
  const auto* key = static_cast<const QKeyEvent*>(event);
  KeyEvent e;
  e.key = KeyOf(key->key());
  e.ctrl = key->modifiers().testFlag(Qt::ControlModifier);
  e.shift = key->modifiers().testFlag(Qt::ShiftModifier) || key->key() == Qt::Key_Backtab;
  e.alt = key->modifiers().testFlag(Qt::AltModifier);
  e.autoRepeat = key->isAutoRepeat();
  e.focused = focused;
  if (event->type() == QEvent::KeyRelease) {
    e.kind = KeyEvent::Kind::Up;
  } else {
    // Alt combinations (Alt+F4 among them) are the system keys.
    e.kind = e.alt ? KeyEvent::Kind::SystemDown : KeyEvent::Kind::Down;
  }
  return e;
}

std::optional<MouseEvent> FormInput::ToMouseEvent(const QEvent* event,
                                                  std::optional<ControlId> under, FormPoint point) {
  MouseEvent e;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      e.kind = MouseEvent::Kind::Down;
      break;
    case QEvent::MouseButtonDblClick:
      e.kind = MouseEvent::Kind::DoubleClick;
      break;
    case QEvent::MouseMove:
      e.kind = MouseEvent::Kind::Move;
      break;
    default:
      return std::nullopt;
  }
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  if (e.kind != MouseEvent::Kind::Move) {
    if (mouse->button() == Qt::LeftButton)
      e.button = MouseEvent::Button::Left;
    else if (mouse->button() == Qt::RightButton)
      e.button = MouseEvent::Button::Right;
    else
      return std::nullopt;
  }
  e.control = under;
  e.point = point;
  return e;
}

bool FormInput::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (InsideForm(watched, form)) return OnKeyEvent(watched, event);
      break;
    case QEvent::ShortcutOverride:
      // Menu mnemonics (Alt+F) are shortcuts: Qt fires them from this
      // event, before the key press. A system key the core swallows is
      // claimed here, so that no shortcut fires and the press that
      // follows is swallowed as usual. Other keys are left to the press:
      // the core must see each key once.
      if (InsideForm(watched, form) && onKey &&
          static_cast<QKeyEvent*>(event)->modifiers().testFlag(Qt::AltModifier)) {
        const auto e = ToKeyEvent(event, controlOf(QApplication::focusWidget()));
        if (e && onKey(*e) == Disposition::Swallow) {
          event->accept();
          return true;
        }
      }
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      if (InsideForm(watched, form)) return OnMouseEvent(watched, event);
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

bool FormInput::OnKeyEvent(QObject* watched, QEvent* event) {
  if (!onKey) return false;
  const auto e = ToKeyEvent(event, controlOf(QApplication::focusWidget()));
  if (!e) return false;
  if (onKey(*e) == Disposition::Swallow) return true;
  // No button is pressed with the space bar, on press nor release.
  if (e->key == Key::Space && e->kind != KeyEvent::Kind::SystemDown) return true;
  if (e->key == Key::Enter && e->kind == KeyEvent::Kind::Down) {
    if (auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        button && button->isEnabled() && InsideForm(button, form)) {
      button->click();
      return true;
    }
  }
  (void)watched;
  return false;
}

bool FormInput::OnMouseEvent(QObject* watched, QEvent* event) {
  if (!onMouse) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  const QPoint at = form->mapFromGlobal(mouse->globalPosition().toPoint());
  // The control under the point, also when it is disabled: presses on a
  // grayed STOP or PAUSE still reach the core.
  QWidget* under = form->childAt(at);
  auto e = ToMouseEvent(event, controlOf(under ? static_cast<QObject*>(under) : form),
                        FormPoint{at.x(), at.y()});
  if (!e) return false;
  // A pressed button keeps getting the moves wherever the mouse goes; such
  // a move is the button's, not the form's.
  e->captured = controlOf(watched).has_value();
  return onMouse(*e) == Disposition::Swallow;
}

}  // namespace hvt
