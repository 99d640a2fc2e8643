#pragma once

#include <QWidget>
#include <map>
#include <optional>

#include "ports/ControlId.h"
#include "ui/FormTemplate.h"

class QFrame;
class QTabBar;

namespace hvt {

// The tab control as the template has it: a row of tabs over a pane whose
// controls are the form's own (they lie over it, as siblings).
class TabPane : public QWidget {
 public:
  explicit TabPane(QWidget* parent);
  QTabBar* Bar() const { return bar; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTabBar* bar;
  QFrame* pane;
};

// The condition form as widgets: every control of the template in its
// place, found by its ID. What the controls show and do comes from the core.
class FormWindow : public QWidget {
  Q_OBJECT

 public:
  explicit FormWindow(QWidget* parent = nullptr);

  QWidget* Control(int id) const;
  // The form control a widget belongs to (a spin's arrows, a combo's list
  // and a list's viewport included); nullopt outside the form's controls.
  std::optional<ControlId> ControlOf(const QObject* object) const;
  ControlKind KindOf(int id) const;
  const std::map<int, QWidget*>& Controls() const { return controls; }

 private:
  QWidget* Create(const ControlTemplate& t);
  void NameControls();

  std::map<int, QWidget*> controls;
  std::map<const QWidget*, int> ids;
  std::map<int, ControlKind> kinds;
};

}  // namespace hvt
