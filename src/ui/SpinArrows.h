#pragma once

#include <QToolButton>
#include <QWidget>

#include "ports/FormEvents.h"

namespace hvt {

// An up/down control of its own, beside its edit box: it shows a position
// within a range and reports what its arrows do (pressed, repeating while
// held, released); the core decides how far each moves it.
class SpinArrows : public QWidget {
  Q_OBJECT

 public:
  explicit SpinArrows(QWidget* parent = nullptr);

  void SetRange(int low, int high);
  void SetPosition(int position);
  // The control's name, and "NAME up" and "NAME down" for its two arrows.
  void SetAccessibleNames(const QString& name);
  int Position() const { return position; }
  int Low() const { return low; }
  int High() const { return high; }

 signals:
  // direction +1 for the up arrow, -1 for the down arrow.
  void arrow(hvt::ArrowAction action, int direction);

 private:
  void Watch(QToolButton* button, int direction);

  QToolButton* up;
  QToolButton* down;
  int low = 0;
  int high = 100;
  int position = 0;
};

}  // namespace hvt
