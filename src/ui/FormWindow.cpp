#include "ui/FormWindow.h"

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
#include <optional>

#include "model/StringTable.h"
#include "ui/AccessibleNames.h"
#include "ui/DialogUnits.h"
#include "ui/SpinArrows.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

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

// Where each control's name for screen readers comes from: the label
// beside it (the label's buddy when it names it alone), with its column's
// heading for the sweep columns; a numbered text where no label is there
// to read. Buttons that show only an icon are named by their tooltips.
struct NameSource {
  int control;
  int label;                     // a static of the form, 0 for none
  int heading = 0;               // the column heading after the label
  std::optional<TextId> text{};  // the table's name where there is no label
};

constexpr int kSweep = 1102;
constexpr int kStop = 1100;
constexpr int kStep = 1101;

// Edits before their spins: the first control of a label is its buddy.
constexpr NameSource kNames[] = {
    {1047, 1159},
    {1042, 0, 0, TextId::PreviousUnitName},
    {1046, 0, 0, TextId::NextUnitName},
    {1018, 1151, kSweep},
    {1000, 1151},
    {1001, 1151, kStop},
    {1019, 1152, kSweep},
    {1012, 1152},
    {1014, 1152, kStop},
    {1020, 1153, kSweep},
    {1002, 1153},
    {1015, 1153},
    {1003, 1153, kStop},
    {1029, 1153, kStop},
    {1004, 1153, kStep},
    {1034, 1153, kStep},
    {1021, 0, kSweep, TextId::TriggerName},
    {1013, 1137},
    {1011, 1138},
    {1005, 0, 0, TextId::TriggerName},
    {1016, 0, 0, TextId::TriggerName},
    {1006, 0, kStop, TextId::TriggerName},
    {1030, 0, kStop, TextId::TriggerName},
    {1007, 0, kStep, TextId::TriggerName},
    {1038, 0, kStep, TextId::TriggerName},
    {1022, 1154, kSweep},
    {1043, 1154},
    {1055, 1154, kStop},
    {1023, 1155, kSweep},
    {1024, 1155},
    {1080, 1155, kStop},
    {1008, 1168},
    {1044, 1168},
    {1009, 1091},
    {1045, 1091},
    {1143, 1147},
    {1172, 1171},
    {1090, 0, 0, TextId::OverviewName},
    {1041, 0, 0, TextId::ProgramStepsName},
    {1050, 0, 0, TextId::ProgramNumberName},
    {1048, 0, 0, TextId::PreviousProgramName},
    {1049, 0, 0, TextId::NextProgramName},
    {1010, 1097},
    {1062, 1097},
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
  NameControls();
  // The core follows the mouse over the form (cursor, tooltips), not only
  // while a button is held.
  setMouseTracking(true);
  for (QWidget* w : findChildren<QWidget*>()) w->setMouseTracking(true);
  // Controls inside the tab and the group boxes lie over them.
  for (auto& [id, w] : controls) {
    if (id != 1078 && id != 1090) w->raise();
  }
}

void FormWindow::NameControls() {
  auto labelName = [this](int id) {
    auto* label = qobject_cast<QLabel*>(Control(id));
    return label ? LabelName(label) : QString();
  };
  for (const NameSource& source : kNames) {
    QWidget* w = Control(source.control);
    if (!w) continue;
    QString name = source.text ? UiText(*source.text) : labelName(source.label);
    if (source.heading) name += QLatin1Char(' ') + labelName(source.heading);
    auto* label = qobject_cast<QLabel*>(Control(source.label));
    if (label && !source.heading && !label->buddy()) label->setBuddy(w);
    if (auto* spin = qobject_cast<SpinArrows*>(w)) {
      spin->SetAccessibleNames(name);
    } else {
      SetAccessibleName(w, name);
    }
  }
  for (int k = 0; k < 6; ++k)
    SetAccessibleName(Control(1064 + k), UiText(TextId::SequenceRowName, QString::number(k + 1)));
  // The two "Endless" boxes, told apart by the time they belong to.
  for (const auto& [check, time] : {std::pair{1133, 1168}, std::pair{1134, 1091}}) {
    if (auto* box = qobject_cast<QCheckBox*>(Control(check)))
      SetAccessibleName(box, labelName(time) + QLatin1Char(' ') + box->text().remove('&'));
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
      if (t.id >= 1176 && t.id <= 1181) {
        // The sweep order's arrows are pieces one unit thick that must join:
        // solid, filling their rectangles (a sunken frame that small draws
        // only a dot or a part of itself).
        line->setAutoFillBackground(true);
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
        line->setPalette(pal);
        return line;
      }
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
