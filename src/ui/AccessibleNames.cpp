#include "ui/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QTextDocumentFragment>

namespace hvt {

namespace {

// Marks the combo boxes whose name is ours to give.
constexpr char kNamedCombo[] = "hvtNamedCombo";

// A read-only combo box as Qt presents one (its drop-down list as its one
// child, opening and closing the list as its actions), except that its
// name is the name it was given, and its entry only its value.
class NamedComboBox : public QAccessibleWidget {
 public:
  explicit NamedComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  int childCount() const override { return Combo()->view() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == Combo()->view() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Combo()->currentText();
    return QAccessibleWidget::text(t);  // the name given, else the buddy label's
  }

  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  QString localizedActionDescription(const QString& action) const override {
    if (action == showMenuAction() || action == pressAction())
      return QComboBox::tr("Open the combo box selection popup");
    return QString();
  }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (Combo()->view()->isVisible()) {
      Combo()->hidePopup();
    } else {
      Combo()->showPopup();
    }
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QComboBox* Combo() const { return static_cast<QComboBox*>(object()); }
};

QAccessibleInterface* NamedComboFactory(const QString&, QObject* object) {
  auto* combo = qobject_cast<QComboBox*>(object);
  if (!combo || combo->isEditable() || !combo->property(kNamedCombo).toBool()) return nullptr;
  return new NamedComboBox(combo);
}

}  // namespace

void SetAccessibleName(QWidget* control, const QString& name) {
  if (!control) return;
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    // Installed last, the factory is asked before Qt's own. The mark comes
    // before the name: naming asks for the interface, which then stays.
    static const bool installed = [] {
      QAccessible::installFactory(&NamedComboFactory);
      return true;
    }();
    (void)installed;
    combo->setProperty(kNamedCombo, true);
    combo->view()->setAccessibleName(name);
  }
  control->setAccessibleName(name);
}

void NameByLabel(QLabel* label, QWidget* control) {
  if (!label || !control) return;
  label->setBuddy(control);
  SetAccessibleName(control, LabelName(label));
}

QString LabelName(const QLabel* label) {
  const QString shown = PlainText(label->text());
  // "&&" shows one ampersand; a single one only marks the mnemonic.
  QString name;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (shown[i] == QLatin1Char('&')) {
      if (i + 1 < shown.size() && shown[i + 1] == QLatin1Char('&')) name += shown[++i];
      continue;
    }
    name += shown[i];
  }
  return name.simplified();
}

void DescribeByTip(QWidget* control, const QString& tip) {
  if (control) control->setAccessibleDescription(PlainText(tip));
}

QString PlainText(const QString& text) {
  if (!Qt::mightBeRichText(text)) return text;
  return QTextDocumentFragment::fromHtml(text).toPlainText().trimmed();
}

}  // namespace hvt
