#pragma once

#include <QElapsedTimer>
#include <QToolButton>
#include <QWidget>
#include <utility>
#include <vector>

namespace hvt {

// An up/down control of its own, beside its edit box: a position within a
// range, moved one step per click (more while held, by the acceleration
// table). It reports the final position of each move.
class SpinArrows : public QWidget {
  Q_OBJECT

 public:
  explicit SpinArrows(QWidget* parent = nullptr);

  void SetRange(int low, int high);
  void SetPosition(int position);
  // "NAME up" and "NAME down" for the two arrows.
  void SetAccessibleNames(const QString& name);
  int Position() const { return position; }
  int Low() const { return low; }
  int High() const { return high; }
  // Held arrows step faster the longer they are held: after `seconds`,
  // by `step` (the form's table; empty: always by 1).
  void SetAcceleration(std::vector<std::pair<int, int>> table) { acceleration = std::move(table); }

 signals:
  // The operator moved the position; the value is the new position.
  void moved(int position);

 private:
  void Step(int direction);

  QToolButton* up;
  QToolButton* down;
  int low = 0;
  int high = 100;
  int position = 0;
  std::vector<std::pair<int, int>> acceleration;
  QElapsedTimer held;
};

}  // namespace hvt
