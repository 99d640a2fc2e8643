// The system's file dialogs behind the core's open and save commands.

#include <QFileDialog>

#include "ui/QtDialogs.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// Field 4 of the document template: the filter of Save As.
QString TemplateFilter() {
  const QStringList fields = UiText(TextId::DocTemplate).split(QLatin1Char('\n'));
  return fields.size() > 3 ? fields[3] : QStringLiteral("HVT-KP4RS files (*.plk)");
}

std::optional<std::string> Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::OpenFileName() {
  QFileDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("OpenFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("PELK Files (*.plk)"));
  dialog.setDefaultSuffix(QStringLiteral("plk"));
  return Chosen(dialog);
}

std::optional<std::string> QtDialogs::SaveFileName(const std::string& proposed) {
  QFileDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("SaveFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(TemplateFilter());
  dialog.setDefaultSuffix(QStringLiteral("plk"));
  dialog.selectFile(QString::fromStdString(proposed));
  return Chosen(dialog);
}

}  // namespace hvt
