#include "ui/Rs232Dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "ui/AccessibleNames.h"
#include "ui/DialogUnits.h"
#include "ui/QtDialogs.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

QLabel* Label(QWidget* parent, Rs232Control id, const char* english, QRect rect) {
  auto* label = new QLabel(TemplateText(resource::kRs232, static_cast<int>(id), english), parent);
  label->setObjectName(QStringLiteral("c%1").arg(static_cast<int>(id)));
  label->setGeometry(rect);
  return label;
}

// The fixed line settings: centred in a sunken box.
void FixedValue(QWidget* parent, int id, const char* english, QRect rect) {
  auto* value = new QLabel(TemplateText(resource::kRs232, id, english), parent);
  value->setObjectName(QStringLiteral("fixed%1").arg(-id));
  value->setGeometry(rect);
  value->setAlignment(Qt::AlignCenter);
  value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

}  // namespace

Rs232Dialog::Rs232Dialog(Rs232Setup& setup, QWidget* parent) : QDialog(parent), setup(setup) {
  setObjectName(QStringLiteral("Rs232Dialog"));
  setWindowTitle(TemplateText(resource::kRs232, 0, "RS-232  SetUp"));
  // A fixed dialog box: a title and a close box, nothing to resize.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(DluX(141), DluY(208));

  QLabel* portLabel = Label(this, Rs232Control::PortLabel, "Com port", DluRect(21, 22, 50, 10));
  combo = new QComboBox(this);
  combo->setObjectName(QStringLiteral("c1031"));
  NameByLabel(portLabel, combo);
  // Wide enough for the device beside the name; the list drops to 77 units.
  combo->setGeometry(DluX(74), DluY(18), DluX(40), combo->sizeHint().height());
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  combo->setMaxVisibleItems(6);
  Label(this, Rs232Control::BaudLabel, "Bits / s", DluRect(21, 47, 50, 10));
  FixedValue(this, -1, "9600", DluRect(74, 45, 40, 12));
  Label(this, Rs232Control::DataBitsLabel, "Data bits", DluRect(21, 72, 50, 10));
  FixedValue(this, -2, "8", DluRect(74, 70, 40, 12));
  Label(this, Rs232Control::ParityLabel, "Parity", DluRect(21, 97, 50, 10));
  FixedValue(this, -3, "None", DluRect(74, 95, 40, 12));
  Label(this, Rs232Control::StopBitsLabel, "Stop bits", DluRect(21, 122, 49, 10));
  FixedValue(this, -4, "1", DluRect(74, 120, 40, 12));
  Label(this, Rs232Control::FlowLabel, "Flow control", DluRect(21, 147, 50, 10));
  FixedValue(this, -5, "None", DluRect(74, 145, 40, 12));

  ok = new QPushButton(TemplateText(resource::kRs232, 1, "OK"), this);
  ok->setObjectName(QStringLiteral("c1"));
  ok->setGeometry(DluRect(22, 174, 40, 16));
  // Enter is the presenter's: neither button takes it by itself.
  ok->setAutoDefault(false);
  cancel = new QPushButton(TemplateText(resource::kRs232, 2, "Cancel"), this);
  cancel->setObjectName(QStringLiteral("c2"));
  cancel->setGeometry(DluRect(78, 174, 40, 16));
  cancel->setAutoDefault(false);

  connect(combo, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { this->setup.OnSelect(index); });
  connect(ok, &QPushButton::clicked, this, [this] { this->setup.OnOK(); });
  connect(cancel, &QPushButton::clicked, this, [this] { this->setup.OnCancel(); });
  setup.OnInitDialog(*this);
}

void Rs232Dialog::SetPortEntries(const std::vector<std::string>& texts) {
  combo->clear();
  for (size_t i = 0; i < texts.size(); ++i) {
    // The entry carries its index into the presenter's list as item data.
    combo->addItem(UiBytes(texts[i]), static_cast<int>(i));
  }
  // The device beside the name needs more than the template's 40 units:
  // the list grows to its entries and the dialog widens to keep its margin.
  combo->adjustSize();
  combo->resize(std::max(combo->width(), DluX(40)), combo->height());
  setFixedSize(std::max(DluX(141), combo->geometry().right() + 1 + DluX(21)), DluY(208));
}

void Rs232Dialog::SelectPortEntry(int index) { combo->setCurrentIndex(index); }

void Rs232Dialog::EndDialog(bool accepted) {
  ending = true;
  done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

void Rs232Dialog::reject() {
  // Esc and the window's close box cancel through the presenter.
  if (ending) {
    QDialog::reject();
    return;
  }
  setup.OnCancel();
}

Rs232Control Rs232Dialog::FocusedControl() const {
  const QWidget* focus = focusWidget();
  if (focus == ok) return Rs232Control::Ok;
  if (focus == cancel) return Rs232Control::Cancel;
  if (focus == combo) return Rs232Control::PortCombo;
  return Rs232Control::Other;
}

void Rs232Dialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    setup.OnEnterKey(FocusedControl());
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool QtDialogs::Run(Rs232Setup& setup) {
  Rs232Dialog dialog(setup, owner);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace hvt
