#pragma once

#include <QWidget>
#include <map>

#include "ui/FormTemplate.h"

namespace hvt {

// The condition form as widgets: every control of the template in its
// place, found by its ID. What the controls show and do comes from the core.
class FormWindow : public QWidget {
  Q_OBJECT

 public:
  explicit FormWindow(QWidget* parent = nullptr);

  QWidget* Control(int id) const;
  const std::map<int, QWidget*>& Controls() const { return controls; }

 private:
  QWidget* Create(const ControlTemplate& t);

  std::map<int, QWidget*> controls;
};

}  // namespace hvt
