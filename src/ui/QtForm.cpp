#include "ui/QtForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>

#include "form/FormTables.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"
#include "ui/AccessibleNames.h"
#include "ui/FormWindow.h"
#include "ui/Icons.h"
#include "ui/MainFrame.h"
#include "ui/SpinArrows.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// Posted behind the input that is pending when a drop is asked for: input
// that arrives before it is dropped.
const QEvent::Type kDropEnd = static_cast<QEvent::Type>(QEvent::registerEventType());

QColor ToColor(const form::Rgb& c) { return QColor(c.r, c.g, c.b); }

template <typename T>
T* As(QWidget* w) {
  return qobject_cast<T*>(w);
}

// The widgets whose clicks are reported: statics that act as buttons.
constexpr ControlId kClickableStatics[] = {ControlId::PhaseLabel, ControlId::VariableLabel,
                                           ControlId::LineOptionLabel};

}  // namespace

QtForm::QtForm(FormWindow& window, MainFrame& frame, const TextCodec& codec)
    : QObject(&window), window(window), frame(frame), codec(codec) {
  ApplyLook();
}

QtForm::~QtForm() = default;

void QtForm::Connect(FormEvents* e, std::function<bool(ControlId)> allowed,
                     std::function<bool()> coloured) {
  events = e;
  toolTipAllowed = std::move(allowed);
  timesRunColoured = std::move(coloured);
  WireOperatorEvents();
}

QWidget* QtForm::W(ControlId id) const { return window.Control(static_cast<int>(id)); }

QString QtForm::ToQt(const std::string& bytes) const {
  if (auto utf8 = codec.ToUtf8(bytes)) return QString::fromStdString(*utf8);
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string QtForm::FromQt(const QString& text) const {
  const std::u16string utf16(reinterpret_cast<const char16_t*>(text.utf16()),
                             static_cast<size_t>(text.size()));
  return codec.FromUtf16(utf16);
}

template <typename F>
void QtForm::Enter(F&& f) {
  if (!events) return;
  f();
  frame.UpdateCommandStates();
}

void QtForm::ApplyLook() {
  for (const form::FontSpec& role : form::Fonts()) {
    QFont font(UiText(role.faceId));
    font.setPixelSize(role.heightPx);
    font.setWeight(role.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(role.italic);
    font.setStyleHint(role.fixedPitch ? QFont::TypeWriter : QFont::Serif);
    font.setFixedPitch(role.fixedPitch);
    for (ControlId id : role.controls) {
      if (QWidget* w = W(id)) w->setFont(font);
    }
  }
  for (const form::ColourRule& rule : form::Colours()) {
    if (rule.onlyDuringRun) continue;  // applied when the run repaints them
    for (ControlId id : rule.controls) {
      QWidget* w = W(id);
      if (!w) continue;
      QPalette pal = w->palette();
      pal.setColor(QPalette::WindowText, ToColor(rule.text));
      pal.setColor(QPalette::Text, ToColor(rule.text));
      pal.setColor(QPalette::ButtonText, ToColor(rule.text));
      if (rule.transparent) {
        // Drawn over the form's black brush.
        w->setAutoFillBackground(true);
        pal.setColor(QPalette::Window, Qt::black);
      } else if (rule.background) {
        w->setAutoFillBackground(true);
        pal.setColor(QPalette::Window, ToColor(*rule.background));
        pal.setColor(QPalette::Base, ToColor(*rule.background));
      }
      w->setPalette(pal);
    }
  }
  const form::ProgramListLook look = form::ProgramListStyle();
  if (auto* list = As<QListWidget>(W(ControlId::ProgramList))) {
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, ToColor(look.background));
    pal.setColor(QPalette::Text, ToColor(look.text));
    list->setPalette(pal);
    list->setGridSize(QSize(look.columnWidth * 3, list->fontMetrics().height() + 4));
  }
  for (const form::ButtonIcon& icon : form::ButtonIcons()) {
    if (auto* button = As<QAbstractButton>(W(icon.button))) {
      const QPixmap image = ResourceImage(icon.resource, icon.size);
      button->setIcon(QIcon(image));
      button->setIconSize(image.size());
    }
  }
  for (ControlId id : form::ImeOffEdits()) {
    if (QWidget* w = W(id)) w->setAttribute(Qt::WA_InputMethodEnabled, false);
  }
}

void QtForm::WireOperatorEvents() {
  for (const auto& [number, w] : window.Controls()) {
    const auto id = static_cast<ControlId>(number);
    if (auto* edit = As<QLineEdit>(w)) {
      connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        Enter([&] { events->OnEditChanged(id, FromQt(text)); });
      });
      edit->installEventFilter(this);  // focus in and out
    } else if (auto* combo = As<QComboBox>(w)) {
      connect(combo, &QComboBox::activated, this,
              [this, id](int index) { Enter([&] { events->OnSelect(id, index); }); });
    } else if (auto* button = As<QAbstractButton>(w)) {
      connect(button, &QAbstractButton::clicked, this,
              [this, id] { Enter([&] { events->OnClick(id); }); });
    } else if (auto* spin = As<SpinArrows>(w)) {
      connect(spin, &SpinArrows::arrow, this, [this, id](ArrowAction action, int direction) {
        Enter([&] { events->OnSpinArrow(id, action, direction); });
      });
    } else if (auto* list = As<QListWidget>(w)) {
      connect(list, &QListWidget::itemClicked, this, [this, id, list](QListWidgetItem* item) {
        Enter([&] { events->OnListClick(id, list->row(item)); });
      });
      // A double click anywhere on the list counts, not only on a cell.
      list->viewport()->installEventFilter(this);
    } else if (auto* table = As<QTableWidget>(w)) {
      connect(table, &QTableWidget::cellClicked, this,
              [this, id](int row, int) { Enter([&] { events->OnListClick(id, row); }); });
      connect(table, &QTableWidget::cellDoubleClicked, this,
              [this, id](int row, int) { Enter([&] { events->OnListDoubleClick(id, row); }); });
    } else if (auto* tab = dynamic_cast<TabPane*>(w)) {
      connect(tab->Bar(), &QTabBar::currentChanged, this, [this](int page) {
        if (!settingTab && page >= 0) Enter([&] { events->OnTabSelected(page); });
      });
    }
    w->installEventFilter(this);  // tooltips
  }
  window.setContextMenuPolicy(Qt::DefaultContextMenu);
  window.installEventFilter(this);
}

bool QtForm::eventFilter(QObject* watched, QEvent* event) {
  if (!events) return QObject::eventFilter(watched, event);
  const auto control = window.ControlOf(watched);
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      if (control && As<QLineEdit>(W(*control)) == watched) {
        const bool in = event->type() == QEvent::FocusIn;
        Enter(
            [&] { in ? events->OnEditFocusGained(*control) : events->OnEditFocusLost(*control); });
      }
      break;
    case QEvent::MouseButtonDblClick:
      if (auto* list = control ? As<QListWidget>(W(*control)) : nullptr;
          list && watched == list->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
          const int row = list->row(list->itemAt(mouse->position().toPoint()));
          Enter([&] { events->OnListDoubleClick(*control, row); });
        }
      }
      break;
    case QEvent::ToolTip:
      if (control && toolTipAllowed && !toolTipAllowed(*control)) return true;
      break;
    case QEvent::MouseButtonRelease:
      for (ControlId id : kClickableStatics) {
        if (control == id && watched == W(id)) Enter([&] { events->OnClick(id); });
      }
      break;
    case QEvent::ContextMenu:
      if (watched == &window || control) {
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        QWidget* tab = W(ControlId::ConditionTab);
        const QPoint at = window.mapFromGlobal(menuEvent->globalPos());
        const bool insideTab = tab && tab->isVisible() && tab->geometry().contains(at);
        bool show = false;
        Enter([&] { show = events->OnContextMenu(insideTab); });
        if (show) {
          QMenu menu(&frame);
          QAction* copy = menu.addAction(TemplateText(
              resource::kRightClickMenu, static_cast<int>(CommandId::CopyUnit), "Copy"));
          QAction* paste = menu.addAction(TemplateText(
              resource::kRightClickMenu, static_cast<int>(CommandId::PasteUnit), "Paste"));
          if (frame.isCommandEnabled) {
            copy->setEnabled(frame.isCommandEnabled(static_cast<int>(CommandId::CopyUnit)));
            paste->setEnabled(frame.isCommandEnabled(static_cast<int>(CommandId::PasteUnit)));
          }
          QAction* chosen = menu.exec(menuEvent->globalPos());
          if (chosen == copy) Enter([&] { events->OnCommand(CommandId::CopyUnit); });
          if (chosen == paste) Enter([&] { events->OnCommand(CommandId::PasteUnit); });
        }
        return true;
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void QtForm::Enable(ControlId id, bool enabled) {
  if (QWidget* w = W(id)) w->setEnabled(enabled);
}

bool QtForm::IsEnabled(ControlId id) const {
  const QWidget* w = W(id);
  return w && w->isEnabledTo(&window);
}

void QtForm::Show(ControlId id, bool visible) {
  if (QWidget* w = W(id)) w->setHidden(!visible);
}

bool QtForm::IsShown(ControlId id) const {
  const QWidget* w = W(id);
  return w && !w->isHidden();
}

void QtForm::Check(ControlId id, bool checked) {
  if (auto* b = As<QAbstractButton>(W(id))) {
    b->setCheckable(true);
    b->setChecked(checked);
  }
}

bool QtForm::IsChecked(ControlId id) const {
  const auto* b = As<QAbstractButton>(W(id));
  return b && b->isChecked();
}

void QtForm::SetText(ControlId id, const std::string& bytes) {
  QWidget* w = W(id);
  const QString text = ToQt(bytes);
  if (auto* label = As<QLabel>(w)) {
    label->setText(text);
  } else if (auto* edit = As<QLineEdit>(w)) {
    if (edit->text() != text) edit->setText(text);  // keeps the caret where the operator typed
  } else if (auto* combo = As<QComboBox>(w)) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
  } else if (auto* button = As<QAbstractButton>(w)) {
    button->setText(text);
  } else if (auto* group = As<QGroupBox>(w)) {
    group->setTitle(text);
  }
}

std::string QtForm::Text(ControlId id) const {
  QWidget* w = W(id);
  if (auto* label = As<QLabel>(w)) return FromQt(label->text());
  if (auto* edit = As<QLineEdit>(w)) return FromQt(edit->text());
  if (auto* combo = As<QComboBox>(w)) return FromQt(combo->currentText());
  if (auto* button = As<QAbstractButton>(w)) return FromQt(button->text());
  return {};
}

void QtForm::SetImage(ControlId id, Image image) {
  QWidget* w = W(id);
  const int resource = static_cast<int>(image);
  if (auto* label = As<QLabel>(w)) {
    label->setPixmap(image == Image::None ? QPixmap() : ResourceImage(resource, label->height()));
  } else if (auto* button = As<QAbstractButton>(w)) {
    button->setIcon(image == Image::None ? QIcon() : QIcon(ResourceImage(resource, 32)));
  }
}

void QtForm::SetToolTip(ControlId id, const std::string& text) {
  QWidget* w = W(id);
  if (!w) return;
  const QString tip = ToQt(text);
  w->setToolTip(tip);
  DescribeByTip(w, tip);
  // A button that shows only an icon has no label beside it: its tip is
  // what it does (START turns NEXT), so it names the button too. Every
  // other control is named by its label, never by a range in its tip.
  const auto* button = As<QPushButton>(w);
  if (button && button->text().isEmpty()) w->setAccessibleName(tip);
}

void QtForm::SetTabStop(ControlId id, bool tabStop) {
  // The core takes the tab stop off the time boxes while they show a run's
  // remaining times: a click must not give them the focus either, or Enter
  // would no longer reach STOP.
  if (QWidget* w = W(id)) w->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

void QtForm::Focus(ControlId id) {
  if (QWidget* w = W(id)) w->setFocus(Qt::OtherFocusReason);
}

void QtForm::ApplyRunColours(ControlId id) {
  for (const form::ColourRule& rule : form::Colours()) {
    if (!rule.onlyDuringRun) continue;
    for (ControlId c : rule.controls) {
      if (c != id) continue;
      QWidget* w = W(id);
      const bool on = timesRunColoured && timesRunColoured();
      QPalette pal = window.palette();
      if (on) {
        pal.setColor(QPalette::Text, ToColor(rule.text));
        if (rule.background) pal.setColor(QPalette::Base, ToColor(*rule.background));
      }
      w->setPalette(pal);
    }
  }
}

void QtForm::Repaint(ControlId id) {
  ApplyRunColours(id);
  if (QWidget* w = W(id)) w->update();
}

void QtForm::SetItems(ControlId id, const std::vector<std::string>& items) {
  QWidget* w = W(id);
  QStringList texts;
  for (const std::string& item : items) texts << ToQt(item);
  if (auto* combo = As<QComboBox>(w)) {
    combo->clear();
    combo->addItems(texts);
    combo->setCurrentIndex(-1);
  } else if (auto* list = As<QListWidget>(w)) {
    list->clear();
    list->addItems(texts);
  } else if (auto* table = As<QTableWidget>(w)) {
    table->setRowCount(0);
    for (int row = 0; row < texts.size(); ++row)
      SetCell(id, row, 0, items[static_cast<size_t>(row)]);
  } else if (auto* tab = dynamic_cast<TabPane*>(w)) {
    settingTab = true;
    while (tab->Bar()->count() > 0) tab->Bar()->removeTab(0);
    for (const QString& t : texts) tab->Bar()->addTab(t);
    settingTab = false;
  }
}

void QtForm::SelectItem(ControlId id, int index) {
  if (auto* combo = As<QComboBox>(W(id)))
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

int QtForm::SelectedItem(ControlId id) const {
  const auto* combo = As<QComboBox>(W(id));
  return combo ? combo->currentIndex() : -1;
}

void QtForm::SetCell(ControlId id, int row, int column, const std::string& bytes) {
  if (row < 0 || column < 0) return;
  QWidget* w = W(id);
  const QString text = ToQt(bytes);
  if (auto* list = As<QListWidget>(w)) {
    if (column != 0) return;
    while (list->count() <= row) list->addItem(QString());
    list->item(row)->setText(text);
  } else if (auto* table = As<QTableWidget>(w)) {
    if (table->rowCount() <= row) table->setRowCount(row + 1);
    if (table->columnCount() <= column) table->setColumnCount(column + 1);
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    table->setItem(row, column, item);
  }
}

std::string QtForm::Cell(ControlId id, int row, int column) const {
  QWidget* w = W(id);
  if (auto* list = As<QListWidget>(w)) {
    return column == 0 && row >= 0 && row < list->count() ? FromQt(list->item(row)->text())
                                                          : std::string();
  }
  if (auto* table = As<QTableWidget>(w)) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? FromQt(item->text()) : std::string();
  }
  return {};
}

int QtForm::RowCount(ControlId id) const {
  QWidget* w = W(id);
  if (auto* list = As<QListWidget>(w)) return list->count();
  if (auto* table = As<QTableWidget>(w)) return table->rowCount();
  return 0;
}

void QtForm::DeleteRow(ControlId id, int row) {
  QWidget* w = W(id);
  if (auto* list = As<QListWidget>(w)) delete list->takeItem(row);
  if (auto* table = As<QTableWidget>(w)) table->removeRow(row);
}

void QtForm::SelectRow(ControlId id, int row) {
  QWidget* w = W(id);
  if (auto* list = As<QListWidget>(w)) {
    list->setCurrentRow(row);
    if (QListWidgetItem* item = list->item(row)) list->scrollToItem(item);
  } else if (auto* table = As<QTableWidget>(w)) {
    table->selectRow(row);
    if (QTableWidgetItem* item = table->item(row, 0)) table->scrollToItem(item);
  }
}

void QtForm::SetColumns(ControlId id, const std::vector<ListColumn>& columns) {
  auto* table = As<QTableWidget>(W(id));
  if (!table) return;
  table->setColumnCount(static_cast<int>(columns.size()));
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    const ListColumn& column = columns[static_cast<size_t>(c)];
    auto* heading = new QTableWidgetItem(ToQt(column.title));
    heading->setTextAlignment(Qt::AlignCenter);
    table->setHorizontalHeaderItem(c, heading);
    table->setColumnWidth(c, column.widthPx);
  }
}

void QtForm::SetSpinRange(ControlId id, int low, int high) {
  if (auto* s = As<SpinArrows>(W(id))) s->SetRange(low, high);
}

void QtForm::SetSpinPosition(ControlId id, int position) {
  if (auto* s = As<SpinArrows>(W(id))) s->SetPosition(position);
}

std::pair<int, int> QtForm::SpinRange(ControlId id) const {
  const auto* s = As<SpinArrows>(W(id));
  return s ? std::pair{s->Low(), s->High()} : std::pair{0, 0};
}

int QtForm::SpinPosition(ControlId id) const {
  const auto* s = As<SpinArrows>(W(id));
  return s ? s->Position() : 0;
}

void QtForm::SetTabPage(ControlId id, int page) {
  if (auto* tab = dynamic_cast<TabPane*>(W(id))) {
    settingTab = true;
    tab->Bar()->setCurrentIndex(page);
    settingTab = false;
  }
}

int QtForm::TabPage(ControlId id) const {
  const auto* tab = dynamic_cast<TabPane*>(W(id));
  return tab ? tab->Bar()->currentIndex() : 0;
}

std::optional<ControlId> QtForm::FocusedControl() const {
  return window.ControlOf(QApplication::focusWidget());
}

bool QtForm::IsButtonDown(ControlId id) const {
  const auto* b = As<QAbstractButton>(W(id));
  return b && b->isDown();
}

void QtForm::SetCursor(CursorShape shape) {
  if (shape == cursor) return;
  cursor = shape;
  const QCursor c = shape == CursorShape::ProgramEdit ? ProgramListCursor()
                    : shape == CursorShape::IBeam     ? QCursor(Qt::IBeamCursor)
                                                      : QCursor(Qt::ArrowCursor);
  window.setCursor(c);
  // Edits and lists carry cursors of their own; the core's choice wins.
  for (const auto& [id, w] : window.Controls()) {
    if (As<QLineEdit>(w)) w->setCursor(c);
    if (auto* list = As<QListWidget>(w)) list->viewport()->setCursor(c);
  }
}

void QtForm::SetStatusText(const std::string& text) { frame.SetStatusText(ToQt(text)); }
void QtForm::SetWarningText(const std::string& text) { frame.SetWarningText(ToQt(text)); }
void QtForm::SetProgress(int percent) { frame.ProgressBar()->setValue(percent); }
void QtForm::MessageBeep(Beep) { QApplication::beep(); }
void QtForm::EnableClose(bool enabled) { frame.EnableClose(enabled); }
bool QtForm::IsCloseEnabled() const { return frame.CloseEnabled(); }
void QtForm::EnableFrame(bool enabled) { frame.EnableFrame(enabled); }

void QtForm::SetWaitCursor(bool waiting) {
  if (waiting) {
    ++waitDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (waitDepth > 0) {
    --waitDepth;
    QApplication::restoreOverrideCursor();
  }
}

void QtForm::SetWindowTitle(const std::string& title) { frame.setWindowTitle(ToQt(title)); }
void QtForm::CommandStatesChanged() { frame.UpdateCommandStates(); }

void QtForm::DropPendingInput() {
  // No nested event loop: the input already queued is dropped when it
  // arrives, up to a marker posted behind it.
  dropping = true;
  QCoreApplication::postEvent(this, new QEvent(kDropEnd), Qt::LowEventPriority);
}

void QtForm::customEvent(QEvent* event) {
  if (event->type() == kDropEnd) dropping = false;
}

}  // namespace hvt
