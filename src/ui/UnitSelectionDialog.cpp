#include "ui/UnitSelectionDialog.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>

#include "form/FormTables.h"
#include "model/TextCodec.h"
#include "platform/QtTimerHost.h"
#include "ui/AccessibleNames.h"
#include "ui/DialogUnits.h"
#include "ui/FormInput.h"
#include "ui/Icons.h"
#include "ui/QtDialogs.h"
#include "ui/QtPrompter.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// Layout in dialog units.
constexpr int kWidth = 530;
constexpr int kHeight = 276;
constexpr int kMargin = 7;
constexpr int kTableTop = 17;
constexpr int kTableHeight = 150;
constexpr int kCellsTop = 184;
constexpr int kCellsHeight = 58;
constexpr int kButtonTop = 252;
constexpr int kButtonHeight = 16;

constexpr int kListFontPx = 14;

QString Name(UnitDialogId id) { return QStringLiteral("c%1").arg(static_cast<int>(id)); }

// Balloon-like tips, at most 200 pixels wide.
constexpr const char* kBalloonStyle =
    "QToolTip { background: #ffffe1; color: black; border: 1px solid #505050;"
    " border-radius: 7px; padding: 4px; }";

QString BalloonText(const QString& text) {
  return QStringLiteral("<table width=\"200\"><tr><td>%1</td></tr></table>")
      .arg(text.toHtmlEscaped());
}

}  // namespace

UnitSelectionDialog::UnitSelectionDialog(UnitSelection& e, const TextCodec& c, QWidget* parent)
    : QDialog(parent), editor(e), codec(c) {
  setFixedSize(DluX(kWidth), DluY(kHeight));
  // The dialog font the dialog units are measured in, as on the form.
  QFont dialogFont(QStringLiteral("Arial"));
  dialogFont.setStyleHint(QFont::SansSerif);
  dialogFont.setPixelSize(11);
  setFont(dialogFont);
  setMouseTracking(true);
  setStyleSheet(QString::fromLatin1(kBalloonStyle));

  auto* unitsLabel = new QLabel(
      TemplateText(resource::kUnitSelection, -1, "Units (Select by a double click.)"), this);
  unitsLabel->setGeometry(DluRect(kMargin, kMargin, 300, 9));

  table = new QTableWidget(this);
  table->setObjectName(Name(UnitDialogId::UnitTable));
  table->setGeometry(DluRect(kMargin, kTableTop, kWidth - 2 * kMargin, kTableHeight));
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setShowGrid(true);
  table->setTextElideMode(Qt::ElideNone);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->horizontalHeader()->setFixedHeight(UnitSelection::kHeaderHeight);
  table->setFrameShape(QFrame::StyledPanel);
  table->setFrameShadow(QFrame::Sunken);
  // One Tab stop: the arrows move inside the table, Tab goes on to the
  // program and the buttons.
  table->setTabKeyNavigation(false);
  NameByLabel(unitsLabel, table);

  auto* programLabel = new QLabel(TemplateText(resource::kUnitSelection, -2, "Program"), this);
  programLabel->setGeometry(DluRect(kMargin, kCellsTop - 10, 100, 9));

  cells = new QListWidget(this);
  cells->setObjectName(Name(UnitDialogId::ProgramCells));
  cells->setGeometry(DluRect(kMargin, kCellsTop, kWidth - 2 * kMargin, kCellsHeight));
  cells->setViewMode(QListView::ListMode);
  cells->setFlow(QListView::LeftToRight);
  cells->setWrapping(true);
  cells->setResizeMode(QListView::Adjust);
  cells->setSpacing(2);
  cells->setSelectionMode(QAbstractItemView::SingleSelection);
  NameByLabel(programLabel, cells);
  cells->setMouseTracking(true);  // the cell under the mouse lights up
  QFont listFont(UiText(TextId::FixedFace));
  listFont.setPixelSize(kListFontPx);
  listFont.setWeight(QFont::Normal);
  listFont.setStyleHint(QFont::TypeWriter);
  listFont.setFixedPitch(true);
  cells->setFont(listFont);
  const form::ProgramListLook look = form::ProgramListStyle();
  const QColor text(look.text.r, look.text.g, look.text.b);
  const QColor background(look.background.r, look.background.g, look.background.b);
  QPalette pal = cells->palette();
  pal.setColor(QPalette::Base, background);
  pal.setColor(QPalette::Text, text);
  cells->setPalette(pal);
  cells->setStyleSheet(QStringLiteral("QListWidget { background: %1; color: %2; }"
                                      "QListWidget::item:selected { background: #004000; }"
                                      "QListWidget::item:hover { background: #002800; }")
                           .arg(background.name(), text.name()));

  AddButton(UnitDialogId::Last, "Last", kMargin, 56, true);
  AddButton(UnitDialogId::Prior, "Prior to", kMargin + 60, 56, true);
  AddButton(UnitDialogId::Posterior, "Posterior to", kMargin + 120, 56, true);
  AddButton(UnitDialogId::Replace, "Replace", kMargin + 180, 56, true);
  AddButton(UnitDialogId::Delete, "Delete", kMargin + 256, 50, false);
  AddButton(UnitDialogId::Clear, "Clear", kMargin + 310, 50, false);
  AddButton(UnitDialogId::Ok, "OK", kWidth - kMargin - 104, 50, false);
  AddButton(UnitDialogId::Cancel, "Cancel", kWidth - kMargin - 50, 50, false);
  // The template's LINE buttons exist but are never shown: LINE steps are
  // not added here.
  AddButton(UnitDialogId::LineOn, "LINE_ON", kMargin, 50, false)->hide();
  AddButton(UnitDialogId::LineOff, "LINE_OFF", kMargin, 50, false)->hide();
  auto* ok = qobject_cast<QPushButton*>(Button(UnitDialogId::Ok));
  ok->setDefault(true);
  for (UnitDialogId mode :
       {UnitDialogId::Last, UnitDialogId::Prior, UnitDialogId::Posterior, UnitDialogId::Replace}) {
    connect(Button(mode), &QAbstractButton::clicked, this,
            [this, mode] { editor.OnModeButton(mode); });
  }
  connect(Button(UnitDialogId::Delete), &QAbstractButton::clicked, this,
          [this] { editor.OnDelete(); });
  connect(Button(UnitDialogId::Clear), &QAbstractButton::clicked, this,
          [this] { editor.OnClear(); });
  connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
  connect(Button(UnitDialogId::Cancel), &QAbstractButton::clicked, this, &QDialog::reject);

  connect(cells, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { editor.OnCellClick(cells->row(item)); });
  connect(table, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { editor.OnUnitDoubleClick(row); });
  // Tab into the table makes a current row without selecting it: the row
  // Space adds is shown selected all the same.
  connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid() && !table->selectionModel()->isRowSelected(current.row()))
              table->selectRow(current.row());
          });

  // Every mouse move in the dialog decides the cursor over the unit rows.
  table->viewport()->setMouseTracking(true);
  table->horizontalHeader()->setMouseTracking(true);
  table->viewport()->installEventFilter(this);
  table->horizontalHeader()->installEventFilter(this);
  table->installEventFilter(this);  // its keys
  installEventFilter(this);
}

QAbstractButton* UnitSelectionDialog::AddButton(UnitDialogId id, const char* english, int x, int w,
                                                bool checkable) {
  auto* button =
      new QPushButton(TemplateText(resource::kUnitSelection, static_cast<int>(id), english), this);
  button->setObjectName(Name(id));
  button->setGeometry(DluRect(x, kButtonTop, w, kButtonHeight));
  button->setCheckable(checkable);
  button->setAutoDefault(false);
  buttons[id] = button;
  return button;
}

QAbstractButton* UnitSelectionDialog::Button(UnitDialogId id) const {
  const auto it = buttons.find(id);
  return it == buttons.end() ? nullptr : it->second;
}

QString UnitSelectionDialog::ToQt(const std::string& bytes) const {
  if (auto utf8 = codec.ToUtf8(bytes)) return QString::fromStdString(*utf8);
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void UnitSelectionDialog::SetCaption(const std::string& text) { setWindowTitle(ToQt(text)); }

void UnitSelectionDialog::SetUnitColumns(const std::vector<UnitColumn>& columns) {
  table->setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const UnitColumn& c : columns) titles << ToQt(c.title);
  table->setHorizontalHeaderLabels(titles);
  for (size_t i = 0; i < columns.size(); ++i)
    table->setColumnWidth(static_cast<int>(i), columns[i].width);
}

void UnitSelectionDialog::SetUnitCell(int row, int column, const std::string& text) {
  if (row >= table->rowCount()) table->setRowCount(row + 1);
  auto* item = new QTableWidgetItem(ToQt(text));
  item->setTextAlignment(Qt::AlignCenter);
  table->setItem(row, column, item);
}

void UnitSelectionDialog::InsertCell(int item, const std::string& text) {
  cells->insertItem(item, ToQt(text));
}

void UnitSelectionDialog::DeleteCell(int item) { delete cells->takeItem(item); }

void UnitSelectionDialog::SetCellText(int item, const std::string& text) {
  if (QListWidgetItem* cell = cells->item(item)) cell->setText(ToQt(text));
}

void UnitSelectionDialog::SelectCell(int item) {
  cells->setCurrentRow(item);
  if (QListWidgetItem* cell = cells->item(item)) cells->scrollToItem(cell);
}

void UnitSelectionDialog::Check(UnitDialogId id, bool checked) {
  if (QAbstractButton* b = Button(id)) b->setChecked(checked);
}

void UnitSelectionDialog::SetToolTip(UnitDialogId id, const std::string& text) {
  if (QAbstractButton* b = Button(id)) {
    b->setToolTip(BalloonText(ToQt(text)));
    DescribeByTip(b, ToQt(text));
  }
}

void UnitSelectionDialog::SetUnitCursor(bool doubleClickHint) {
  if (doubleClickHint == hintCursor) return;
  hintCursor = doubleClickHint;
  if (hintCursor) {
    table->viewport()->setCursor(DoubleClickCursor());
  } else {
    table->viewport()->unsetCursor();
  }
}

void UnitSelectionDialog::ReportMouse(const QPoint& global) {
  const QPoint p = table->mapFromGlobal(global);
  const QRect r = table->rect();
  editor.OnMouseMove(r.contains(p), p.x(), p.y(), r.width(), r.height());
}

bool UnitSelectionDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto key = FormInput::ToKeyEvent(event, std::nullopt);
    return key && editor.OnUnitTableKey(*key, table->currentRow()) == Disposition::Swallow;
  }
  if (event->type() == QEvent::MouseMove) {
    ReportMouse(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
  } else if (event->type() == QEvent::Leave && watched == table->viewport()) {
    editor.OnMouseMove(false, -1, -1, table->width(), table->height());
  }
  return QDialog::eventFilter(watched, event);
}

void UnitSelectionDialog::done(int result) {
  editor.OnClose();
  QDialog::done(result);
}

bool QtDialogs::Run(UnitSelection& editor) {
  UnitSelectionDialog dialog(editor, codec, owner);
  // Its own timers and its own boxes, owned by the dialog's window.
  QtTimerHost timers(&editor);
  QtPrompter prompter;
  prompter.SetOwner(Owner::View, &dialog);
  prompter.SetOwner(Owner::MainWindow, &dialog);
  Prompter& previous = editor.SetPrompter(prompter);
  editor.Attach(dialog, timers);
  editor.OnInitDialog();
  const bool ok = dialog.exec() == QDialog::Accepted;
  editor.OnClose();
  editor.SetPrompter(previous);  // this one dies with the dialog
  return ok;
}

}  // namespace hvt
