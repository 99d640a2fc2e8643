#pragma once

#include <QDialog>
#include <optional>

#include "form/MemoEditor.h"
#include "ui/ShownText.h"

class QPlainTextEdit;
class QPushButton;

namespace hvt {

class TextCodec;

// Template 171 "Memo": one multi-line edit (Enter starts a new line) with OK
// and Cancel.
class MemoDialog : public QDialog, public MemoDialogView {
  Q_OBJECT

 public:
  MemoDialog(MemoEditor& editor, const TextCodec& codec, QWidget* parent = nullptr);

  void SetCaption(const std::string& text) override;
  void SetText(const std::string& text) override;
  void LimitText(size_t bytes) override;

  QPlainTextEdit* Edit() const { return edit; }
  QPushButton* OkButton() const { return ok; }

 private:
  void OnOK();

  MemoEditor& editor;
  const TextCodec& codec;
  QPlainTextEdit* edit;
  QPushButton* ok;
  std::optional<ShownText> shown;
};

}  // namespace hvt
