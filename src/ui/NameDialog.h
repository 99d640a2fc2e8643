#pragma once

#include <QDialog>
#include <QPointer>
#include <QStyledItemDelegate>
#include <optional>

#include "form/NameEditor.h"
#include "ui/ShownText.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace hvt {

class TextCodec;

// The name cells' in-place editor: it starts with the text the presenter
// gives and hands the typed text back to it; the list never takes the
// raw text itself.
class NameCellEditing : public QStyledItemDelegate {
  Q_OBJECT

 public:
  NameCellEditing(NameEditor& editor, const TextCodec& codec, QObject* parent);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

  // Ends an edit still open (OK pressed while typing) as leaving it would.
  void Finish();

 private:
  NameEditor& names;
  const TextCodec& codec;
  mutable QPointer<QLineEdit> open;
  mutable int editedRow = -1;
  mutable std::optional<ShownText> shown;
};

// Template 154: the names of all units or programs in a list of two
// columns, renamed in place.
class NameDialog : public QDialog, public NameDialogView {
  Q_OBJECT

 public:
  NameDialog(NameEditor& editor, const TextCodec& codec, QWidget* parent = nullptr);

  int CodePage() const override;
  void SetCaption(const std::string& text) override;
  void SetColumn(int column, const std::string& title, int widthPixels) override;
  void SetCell(int row, int column, const std::string& text) override;

  QTableWidget* List() const { return list; }
  QPushButton* OkButton() const { return ok; }

 private:
  void OnOK();

  NameEditor& editor;
  const TextCodec& codec;
  QTableWidget* list;
  NameCellEditing* editing;
  QPushButton* ok;
};

}  // namespace hvt
