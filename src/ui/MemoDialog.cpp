#include "ui/MemoDialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "model/TextCodec.h"
#include "ui/DialogUnits.h"
#include "ui/QtDialogs.h"
#include "ui/TemplateText.h"

namespace hvt {

namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

}  // namespace

MemoDialog::MemoDialog(MemoEditor& e, const TextCodec& c, QWidget* parent)
    : QDialog(parent), editor(e), codec(c) {
  setObjectName(QStringLiteral("MemoDialog"));
  setFixedSize(DluX(244), DluY(155));

  edit = new QPlainTextEdit(this);
  edit->setObjectName(QStringLiteral("memo"));
  edit->setGeometry(DluRect(7, 7, 230, 120));
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Enter is a new line in the memo; Tab moves on to the buttons.
  edit->setTabChangesFocus(true);

  ok = new QPushButton(TemplateText(resource::kMemo, kOk, "OK"), this);
  ok->setObjectName(QStringLiteral("ok"));
  ok->setGeometry(DluRect(130, 134, 50, 14));
  ok->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &MemoDialog::OnOK);
  auto* cancel = new QPushButton(TemplateText(resource::kMemo, kCancel, "Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancel"));
  cancel->setGeometry(DluRect(187, 134, 50, 14));
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  editor.OnInitDialog(*this);
  edit->setFocus();
}

void MemoDialog::SetCaption(const std::string& text) {
  setWindowTitle(ShowBytes(codec, text));
  // No label stands beside the memo: the caption says whose memo it is.
  edit->setAccessibleName(windowTitle());
}

void MemoDialog::SetText(const std::string& text) {
  shown.emplace(codec, text, true);
  edit->setPlainText(shown->Shown());
}

void MemoDialog::LimitText(size_t bytes) { LimitBytes(edit, codec, bytes); }

void MemoDialog::OnOK() {
  const QString now = PlainText(edit);
  editor.OnOK(shown ? shown->Bytes(now) : StoreText(codec, now));
  accept();
}

bool QtDialogs::Run(MemoEditor& editor) {
  MemoDialog dialog(editor, codec, owner);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace hvt
