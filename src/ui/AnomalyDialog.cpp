#include "ui/AnomalyDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace hvt {

AnomalyDialog::AnomalyDialog(QWidget* parent)
    : QDialog(parent),
      criteria(new QButtonGroup(this)),
      note(new QLineEdit(this)),
      durationKnown(new QCheckBox(UiText(TextId::AnomalyDuration), this)),
      duration(new QSpinBox(this)) {
  setWindowTitle(UiText(TextId::AnomalyCaption));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(UiText(TextId::AnomalyCriterion), this);
  auto* groupLayout = new QVBoxLayout(group);
  const TextId texts[] = {TextId::CriterionA, TextId::CriterionB, TextId::CriterionC,
                          TextId::CriterionD};
  for (int k = 0; k < 4; ++k) {
    // The letter leads the text, so a screen reader says it first.
    auto* radio = new QRadioButton(UiText(texts[k]), group);
    radio->setAccessibleName(UiText(texts[k]));
    radio->setObjectName(QStringLiteral("Criterion%1").arg(QChar('A' + k)));
    criteria->addButton(radio, k);
    groupLayout->addWidget(radio);
  }
  criteria->button(0)->setChecked(true);
  layout->addWidget(group);
  auto* noteLabel = new QLabel(UiText(TextId::AnomalyNote), this);
  noteLabel->setBuddy(note);
  note->setObjectName(QStringLiteral("Note"));
  note->setAccessibleName(UiText(TextId::AnomalyNote));
  note->setMaxLength(500);
  layout->addWidget(noteLabel);
  layout->addWidget(note);
  auto* row = new QHBoxLayout;
  duration->setObjectName(QStringLiteral("Duration"));
  duration->setAccessibleName(UiText(TextId::AnomalyDuration));
  duration->setRange(0, 999999);
  duration->setEnabled(false);
  connect(durationKnown, &QCheckBox::toggled, duration, &QWidget::setEnabled);
  row->addWidget(durationKnown);
  row->addWidget(duration);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &AnomalyDialog::Accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  note->setFocus();
}

void AnomalyDialog::Accept() {
  Answers answers;
  answers.criterion = static_cast<char>('A' + std::max(0, criteria->checkedId()));
  answers.noteUtf8 = note->text().toStdString();
  if (durationKnown->isChecked()) answers.durationS = duration->value();
  if (onAccepted) onAccepted(answers);
  accept();
}

}  // namespace hvt
