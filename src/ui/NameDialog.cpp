#include "ui/NameDialog.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "model/TextCodec.h"
#include "ui/DialogUnits.h"
#include "ui/QtDialogs.h"
#include "ui/TemplateText.h"

namespace hvt {

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

}  // namespace

NameCellEditing::NameCellEditing(NameEditor& editor, const TextCodec& c, QObject* parent)
    : QStyledItemDelegate(parent), names(editor), codec(c) {
  // However an edit ends (Enter, Escape, focus leaving), it is no longer open.
  connect(this, &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor) {
    if (open == editor) open = nullptr;
  });
}

QWidget* NameCellEditing::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
  if (index.column() != 0) return nullptr;
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QStringLiteral("nameEdit"));
  // Named as its column is headed.
  if (const QVariant heading = index.model()->headerData(0, Qt::Horizontal); heading.isValid())
    edit->setAccessibleName(heading.toString());
  edit->setFrame(true);
  LimitBytes(edit, codec, NameEditor::kNameLimit);
  open = edit;
  editedRow = index.row();
  return edit;
}

void NameCellEditing::setEditorData(QWidget* editor, const QModelIndex&) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  if (!edit || editedRow < 0) return;
  shown.emplace(codec, names.BeginLabelEdit(editedRow), false);
  edit->setText(shown->Shown());
  edit->selectAll();
}

void NameCellEditing::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  if (!edit || editedRow < 0 || !shown) return;
  // The row the edit began on takes the name, wherever the selection is now.
  const int row = editedRow;
  editedRow = -1;
  names.EndLabelEdit(row, shown->Bytes(edit->text()));
}

void NameCellEditing::Finish() {
  if (!open || editedRow < 0) return;
  QLineEdit* edit = open;
  emit commitData(edit);
  emit closeEditor(edit, QAbstractItemDelegate::NoHint);
}

NameDialog::NameDialog(NameEditor& e, const TextCodec& c, QWidget* parent)
    : QDialog(parent), editor(e), codec(c) {
  setObjectName(QStringLiteral("NameDialog"));
  setFixedSize(DluX(169), DluY(186));

  list = new QTableWidget(0, 2, this);
  list->setObjectName(QStringLiteral("list"));
  list->setGeometry(DluRect(7, 7, 98, 172));
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
  list->horizontalHeader()->setSectionsClickable(false);
  list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  // The row under the mouse becomes the selected one (track-select), so a
  // click goes straight into editing its name.
  list->setMouseTracking(true);
  connect(list, &QTableWidget::entered, this, [this](const QModelIndex& index) {
    list->selectionModel()->select(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  });
  editing = new NameCellEditing(editor, codec, list);
  list->setItemDelegate(editing);

  ok = new QPushButton(TemplateText(resource::kNames, kOk, "OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setGeometry(DluRect(112, 7, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &NameDialog::OnOK);
  auto* cancel = new QPushButton(TemplateText(resource::kNames, kCancel, "Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setGeometry(DluRect(112, 24, 50, 14));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  editor.OnInitDialog(*this);
  if (list->rowCount() > 0) list->setCurrentCell(0, 0);
}

int NameDialog::CodePage() const { return codec.CodePage(); }

void NameDialog::SetCaption(const std::string& text) {
  setWindowTitle(ShowBytes(codec, text));
  // No label stands beside the list: the caption says whose names it holds.
  list->setAccessibleName(windowTitle());
}

void NameDialog::SetColumn(int column, const std::string& title, int widthPixels) {
  if (column < 0 || column >= list->columnCount()) return;
  auto* header = new QTableWidgetItem(ShowBytes(codec, title));
  header->setTextAlignment(Qt::AlignCenter);
  list->setHorizontalHeaderItem(column, header);
  list->setColumnWidth(column, widthPixels);
}

void NameDialog::SetCell(int row, int column, const std::string& text) {
  if (row < 0 || column < 0 || column >= list->columnCount()) return;
  if (row >= list->rowCount()) list->setRowCount(row + 1);
  QTableWidgetItem* item = list->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (column == 0) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    list->setItem(row, column, item);
  }
  item->setText(ShowBytes(codec, text));
}

void NameDialog::OnOK() {
  editing->Finish();
  editor.OnOK();
  accept();
}

bool QtDialogs::Run(NameEditor& editor) {
  NameDialog dialog(editor, codec, owner);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace hvt
