#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "ports/InputEvents.h"

class QWidget;

namespace hvt {

// Raw key and mouse input of the form's widgets, before any widget sees
// it, handed to the core's decision as the core's own events. The widget
// layer only translates and obeys: a Swallow consumes the event. Where the
// core passes Enter on, the focused push button is pressed here, since a
// push button outside a dialog ignores Enter.
class FormInput : public QObject {
  Q_OBJECT

 public:
  // controlOf names the form control a widget belongs to (its spin arrows
  // and a combo's parts included); nullopt for widgets outside the form.
  FormInput(QWidget* form, std::function<std::optional<ControlId>(QObject*)> controlOf);

  std::function<Disposition(const KeyEvent&)> onKey;
  std::function<Disposition(const MouseEvent&)> onMouse;

  // Translations, on their own so they can be checked without a window.
  static std::optional<KeyEvent> ToKeyEvent(const QEvent* event, std::optional<ControlId> focused);
  static std::optional<MouseEvent> ToMouseEvent(const QEvent* event, std::optional<ControlId> under,
                                                FormPoint point);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool OnKeyEvent(QObject* watched, QEvent* event);
  bool OnMouseEvent(QObject* watched, QEvent* event);

  QWidget* form;
  std::function<std::optional<ControlId>(QObject*)> controlOf;
};

}  // namespace hvt
