#include "ui/FormWindow.h"

#include "model/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>

#include "model/StringTable.h"
#include "ui/DialogUnits.h"
#include "ui/SpinArrows.h"
#include "ui/TemplateText.h"

namespace hvt {

TabPane::TabPane(QWidget* parent)
    : QWidget(parent), bar(new QTabBar(this)), pane(new QFrame(this)) {
  bar->setDrawBase(false);
  bar->setExpanding(false);
  pane->setFrameShape(QFrame::StyledPanel);
}

void TabPane::resizeEvent(QResizeEvent*) {
  const int barHeight = bar->sizeHint().height();
  bar->setGeometry(2, 0, width() - 4, barHeight);
  pane->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
}

namespace {

// A control's text in the current language. Decoration without an ID (the
// group boxes' and the "x" static's texts) is numbered -1, -2, ... in the
// template's order.
QString TemplateText(const ControlTemplate& t) {
  int id = t.id;
  if (id == 0 && *t.text) {
    for (const ControlTemplate& other : FormTemplate()) {
      if (other.id == 0 && *other.text) --id;
      if (&other == &t) break;
    }
  }
  return hvt::TemplateText(resource::kForm, id, t.text);
}

// Names for screen readers and GUI test tools of the controls that show no
// text of their own and have no tooltip to be named by.
constexpr std::pair<int, const char*> kAccessibleNames[] = {
    {1042, "Previous unit"},
    {1046, "Next unit"},
    {1048, "Previous program"},
    {1049, "Next program"},
    {1047, "Unit No."},
    {1050, "Program No."},
    {1018, "Polarity sweep"},
    {1019, "Pulse width sweep"},
    {1020, "Voltage sweep"},
    {1021, "Trigger sweep"},
    {1022, "Injection sweep"},
    {1023, "Return sweep"},
    {1143, "Line"},
    {1015, "Voltage"},
    {1029, "Voltage stop"},
    {1034, "Voltage step"},
    {1016, "Trigger"},
    {1030, "Trigger stop"},
    {1038, "Trigger step"},
    {1044, "Pulse injection time"},
    {1045, "Interval time"},
    {1062, "Program times"},
};

// The Japanese edition's own rectangles where its texts are longer.
struct Placement {
  int id, x, y, w, h;
};
constexpr Placement kJapanesePlacements[] = {
    {1159, 2, 9, 45, 8},  // "ユニット No." ends where "Unit No." does
};

}  // namespace

FormWindow::FormWindow(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FormView"));
  setFixedSize(DluX(kFormWidthDlu), DluY(kFormHeightDlu));
  // The dialog font the layout's units are measured in: 8-point sans, about
  // 6 x 13 pixels to the character cell.
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  for (const ControlTemplate& t : FormTemplate()) {
    QWidget* w = Create(t);
    w->setGeometry(DluRect(t.x, t.y, t.w, t.h));
    if (StringTable::CurrentLanguage() == Language::Japanese) {
      for (const Placement& p : kJapanesePlacements) {
        if (p.id == t.id) w->setGeometry(DluRect(p.x, p.y, p.w, p.h));
      }
    }
    if (t.kind == ControlKind::Combo)
      w->setFixedHeight(DluY(12));  // the drop-down's list is the rest
    if (t.hidden) w->hide();
    // The statics of the sequence rows lie over their combos and cover them.
    if (t.id >= 1126 && t.id <= 1131) {
      w->setAutoFillBackground(true);
      w->setGeometry(DluRect(t.x, t.y, t.w, 12));
    }
    if (t.id != 0) {
      w->setObjectName(QStringLiteral("c%1").arg(t.id));
      controls[t.id] = w;
      ids[w] = t.id;
      kinds[t.id] = t.kind;
    }
  }
  for (const auto& [id, name] : kAccessibleNames) {
    QWidget* w = Control(id);
    if (auto* spin = qobject_cast<SpinArrows*>(w))
      spin->SetAccessibleNames(QLatin1String(name));
    else if (w)
      w->setAccessibleName(QLatin1String(name));
  }
  // The core follows the mouse over the form (cursor, tooltips), not only
  // while a button is held.
  setMouseTracking(true);
  for (QWidget* w : findChildren<QWidget*>()) w->setMouseTracking(true);
  // Controls inside the tab and the group boxes lie over them.
  for (auto& [id, w] : controls) {
    if (id != 1078 && id != 1090) w->raise();
  }
}

std::optional<ControlId> FormWindow::ControlOf(const QObject* object) const {
  for (const QObject* o = object; o && o != this; o = o->parent()) {
    auto it = ids.find(qobject_cast<const QWidget*>(o));
    if (it != ids.end()) return static_cast<ControlId>(it->second);
  }
  return std::nullopt;
}

ControlKind FormWindow::KindOf(int id) const {
  auto it = kinds.find(id);
  return it == kinds.end() ? ControlKind::Static : it->second;
}

QWidget* FormWindow::Control(int id) const {
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : it->second;
}

QWidget* FormWindow::Create(const ControlTemplate& t) {
  const QString text = TemplateText(t);
  switch (t.kind) {
    case ControlKind::Static:
    case ControlKind::ValueDisplay: {
      auto* label = new QLabel(text, this);
      if (t.kind == ControlKind::ValueDisplay) label->setAlignment(Qt::AlignCenter);
      return label;
    }
    case ControlKind::Edit:
      return new QLineEdit(this);
    case ControlKind::ReadOnlyEdit: {
      auto* edit = new QLineEdit(this);
      edit->setReadOnly(true);
      edit->setFocusPolicy(Qt::NoFocus);  // a display: clicks on it are swallowed
      edit->setAlignment(Qt::AlignCenter);
      return edit;
    }
    case ControlKind::Spin:
      return new SpinArrows(this);
    case ControlKind::Combo:
      return new QComboBox(this);
    case ControlKind::Check:
      return new QCheckBox(text, this);
    case ControlKind::Radio: {
      auto* radio = new QRadioButton(text, this);
      radio->setAutoExclusive(false);  // the core decides which is set
      return radio;
    }
    case ControlKind::PushButton:
      return new QPushButton(text, this);
    case ControlKind::IconButton:
      return new QPushButton(this);
    case ControlKind::PushCheck: {
      auto* button = new QPushButton(this);
      button->setCheckable(true);
      return button;
    }
    case ControlKind::Group:
      return new QGroupBox(text, this);
    case ControlKind::Tab:
      return new TabPane(this);
    case ControlKind::StepList: {
      auto* list = new QListWidget(this);
      list->setFlow(QListView::LeftToRight);
      list->setWrapping(true);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      return list;
    }
    case ControlKind::UnitTable: {
      auto* table = new QTableWidget(this);
      table->setSelectionBehavior(QAbstractItemView::SelectRows);
      table->setShowGrid(true);
      table->verticalHeader()->hide();
      // Rows as high as a line of text, so that the list shows many units.
      table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
      return table;
    }
    case ControlKind::Rule: {
      auto* line = new QFrame(this);
      line->setFrameShape(t.w >= t.h ? QFrame::HLine : QFrame::VLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
    case ControlKind::Bitmap:
      return new QLabel(this);
  }
  return new QWidget(this);
}

}  // namespace hvt
