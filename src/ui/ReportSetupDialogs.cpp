#include "ui/ReportSetupDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "form/EquipmentNameInput.h"
#include "form/TestConditionsInput.h"
#include "model/TextCodec.h"
#include "ui/AccessibleNames.h"
#include "ui/DialogUnits.h"
#include "ui/QtDialogs.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// Typing may not take the text beyond its limit in bytes of the document's
// code page, nor add a character the code page cannot hold (it would be
// saved as something else).
class ByteLimit : public QValidator {
 public:
  ByteLimit(QLineEdit* edit, const TextCodec& codec, size_t limit)
      : QValidator(edit), codec(codec), limit(limit) {
    before = Bytes(edit->text()).value_or(0);
    QObject::connect(edit, &QLineEdit::textChanged,
                     [this](const QString& text) { before = Bytes(text).value_or(before); });
  }
  State validate(QString& input, int&) const override {
    const auto bytes = Bytes(input);
    return bytes && TextLimitAllows(before, *bytes, limit) ? Acceptable : Invalid;
  }

 private:
  std::optional<size_t> Bytes(const QString& text) const {
    const auto bytes = codec.FromUtf8(text.toStdString());
    if (!bytes) return std::nullopt;
    return bytes->size();
  }
  const TextCodec& codec;
  size_t limit;
  size_t before = 0;
};

constexpr int kCaption = 0;

}  // namespace

ReportSetupDialog::ReportSetupDialog(QWidget* parent, const TextCodec& codec)
    : QDialog(parent), codec(codec) {
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) &
                 ~Qt::WindowContextHelpButtonHint);
}

template <class W>
W* ReportSetupDialog::Add(int id, W* widget, int x, int y, int w, int h) {
  widget->setParent(this);
  widget->setGeometry(DluRect(x, y, w, h));
  if (id > 0) {
    widget->setObjectName(QStringLiteral("c%1").arg(id));
    controls[id] = widget;
  }
  return widget;
}

QWidget* ReportSetupDialog::Control(int id) const {
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : it->second;
}

QString ReportSetupDialog::Unicode(const std::string& bytes) const {
  if (auto utf8 = codec.ToUtf8(bytes)) return QString::fromStdString(*utf8);
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void ReportSetupDialog::SetText(int id, const std::string& text) {
  QWidget* w = Control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(Unicode(text));
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(Unicode(text));
    FitLabel(label);
  }
}

// A heading whose face is wider than its box (the Japanese title in its
// 20-pixel face) is set smaller until it fits, rather than cut at both ends.
void ReportSetupDialog::FitLabel(QLabel* label) {
  QFont f = label->font();
  while (f.pixelSize() > 8 &&
         QFontMetrics(f).horizontalAdvance(label->text()) > label->width() - 2) {
    f.setPixelSize(f.pixelSize() - 1);
  }
  label->setFont(f);
}

std::string ReportSetupDialog::Text(int id) const {
  QString text;
  if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) text = edit->text();
  return codec.FromUtf16(text.toStdU16String());
}

void ReportSetupDialog::LimitText(int id, size_t bytes) {
  if (auto* edit = qobject_cast<QLineEdit*>(Control(id))) {
    edit->setValidator(new ByteLimit(edit, codec, bytes));
  }
}

void ReportSetupDialog::Check(int id, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(Control(id))) box->setChecked(checked);
}

bool ReportSetupDialog::IsChecked(int id) const {
  auto* box = qobject_cast<QCheckBox*>(Control(id));
  return box && box->isChecked();
}

void ReportSetupDialog::SetFont(int id, const DialogFont& font) {
  QWidget* w = Control(id);
  if (!w) return;
  QFont f(Unicode(font.face));
  f.setPixelSize(font.pixelHeight);
  f.setWeight(static_cast<QFont::Weight>(font.weight));
  f.setFixedPitch(font.fixedPitch);
  f.setStyleHint(font.fixedPitch ? QFont::TypeWriter
                                 : (font.serif ? QFont::Serif : QFont::SansSerif));
  w->setFont(f);
  if (auto* label = qobject_cast<QLabel*>(w)) FitLabel(label);
}

void ReportSetupDialog::SetChoices(int id, const std::vector<std::string>& items, int chosen) {
  if (auto* combo = qobject_cast<QComboBox*>(Control(id))) {
    combo->clear();
    for (const std::string& item : items) combo->addItem(Unicode(item));
    combo->setCurrentIndex(chosen);
  }
}

int ReportSetupDialog::Choice(int id) const {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  return combo ? combo->currentIndex() : -1;
}

EquipmentNameDialog::EquipmentNameDialog(QWidget* parent, const TextCodec& codec)
    : ReportSetupDialog(parent, codec) {
  const int r = resource::kEquipmentName;
  setObjectName(QStringLiteral("EquipmentNameDialog"));
  setWindowTitle(TemplateText(r, kCaption, "Equipment name input"));
  setFixedSize(DluX(186), DluY(92));

  auto* title = Add(EquipmentNameInput::kTitle, new QLabel, 7, 7, 172, 18);
  title->setAlignment(Qt::AlignCenter);
  auto* model = Add(-1, new QLabel(TemplateText(r, -1, "Model")), 14, 33, 34, 8);
  NameByLabel(model, Add(EquipmentNameInput::kModelEdit, new QLineEdit, 52, 31, 120, 12));
  auto* serial = Add(-2, new QLabel(TemplateText(r, -2, "Serial")), 14, 51, 34, 8);
  NameByLabel(serial, Add(EquipmentNameInput::kSerialEdit, new QLineEdit, 52, 49, 120, 12));
  auto* ok = Add(1, new QPushButton(TemplateText(r, 1, "OK")), 40, 71, 50, 14);
  auto* cancel = Add(2, new QPushButton(TemplateText(r, 2, "Cancel")), 96, 71, 50, 14);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setTabOrder(Control(EquipmentNameInput::kModelEdit), Control(EquipmentNameInput::kSerialEdit));
}

TestConditionsDialog::TestConditionsDialog(QWidget* parent, const TextCodec& codec)
    : ReportSetupDialog(parent, codec) {
  const int r = resource::kTestConditions;
  setObjectName(QStringLiteral("TestConditionsDialog"));
  setWindowTitle(TemplateText(r, kCaption, "Test conditions"));
  setFixedSize(DluX(282), DluY(193));

  auto label = [this, r](int id, const char* text, int x, int y, int w) {
    return Add(id, new QLabel(TemplateText(r, id, text)), x, y, w, 8);
  };
  auto edit = [this](int id, int x, int y, int w) { return Add(id, new QLineEdit, x, y, w, 12); };
  QLabel* eut = label(-1, "Description of EUT", 9, 12, 90);
  NameByLabel(eut, edit(1238, 102, 10, 172));
  QLabel* model = label(-2, "Model No.", 9, 29, 90);
  NameByLabel(model, edit(1239, 102, 27, 130));
  QLabel* serial = label(-3, "Serial No.", 9, 46, 90);
  NameByLabel(serial, edit(1240, 102, 44, 130));
  // The three ranges: from, a dash, to.
  struct Range {
    int caption;
    const char* text;
    int from;
    int dash;
    int to;
  };
  const Range ranges[] = {{-4, "Temperature", 1247, -5, 1056},
                          {-6, "Humidity", 1015, -7, 1016},
                          {-8, "Atmospheric pressure", 1241, -9, 1011}};
  int y = 99;
  for (const Range& range : ranges) {
    QLabel* caption = label(range.caption, range.text, 9, y + 2, 90);
    NameByLabel(caption, edit(range.from, 102, y, 60));
    label(range.dash, "-", 168, y + 2, 8);
    // Only a dash stands beside the upper end.
    SetAccessibleName(edit(range.to, 178, y, 60), UiText(TextId::UpperEndName, LabelName(caption)));
    y += 17;
  }
  // The journal's required criterion: a bench setting, under the ranges.
  auto* required = Add(-11, new QLabel(UiText(TextId::RequiredCriterion)), 9, y + 2, 90, 8);
  NameByLabel(required,
              Add(TestConditionsInput::kRequiredCriterion, new QComboBox, 102, y, 60, 12));
  // Qt draws the frame below the title, not through it: the box starts a
  // little higher and the check boxes sit inside the frame, not on its line.
  auto* group = Add(-10, new QGroupBox(TemplateText(r, -10, "Type of EUT")), 7, 59, 268, 35);
  group->lower();
  Add(1272, new QCheckBox(TemplateText(r, 1272, "Desk Top")), 20, 76, 70, 10);
  Add(1273, new QCheckBox(TemplateText(r, 1273, "Floor Stand")), 105, 76, 70, 10);
  Add(1274, new QCheckBox(TemplateText(r, 1274, "Handy")), 190, 76, 70, 10);

  auto* ok = Add(1, new QPushButton(TemplateText(r, 1, "OK")), 62, 171, 50, 14);
  auto* cancel = Add(2, new QPushButton(TemplateText(r, 2, "Cancel")), 116, 171, 50, 14);
  auto* clear = Add(TestConditionsInput::kClearButton,
                    new QPushButton(TemplateText(r, TestConditionsInput::kClearButton, "Clear")),
                    170, 171, 50, 14);
  ok->setDefault(true);
  clear->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(clear, &QPushButton::clicked, this, [this] {
    if (onClear) onClear();
  });
  const int order[] = {1238,
                       1239,
                       1240,
                       1272,
                       1273,
                       1274,
                       1247,
                       1056,
                       1015,
                       1016,
                       1241,
                       1011,
                       TestConditionsInput::kRequiredCriterion};
  for (size_t k = 1; k < std::size(order); ++k)
    setTabOrder(Control(order[k - 1]), Control(order[k]));
}

bool QtDialogs::Run(EquipmentNameInput& presenter) {
  EquipmentNameDialog dialog(owner, codec);
  presenter.OnInitDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return false;
  presenter.OnOK(dialog);
  return true;
}

bool QtDialogs::Run(TestConditionsInput& presenter) {
  TestConditionsDialog dialog(owner, codec);
  dialog.onClear = [&presenter, &dialog] { presenter.OnClear(dialog); };
  presenter.OnInitDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return false;
  presenter.OnOK(dialog);
  return true;
}

}  // namespace hvt
