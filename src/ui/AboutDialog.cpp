#include "ui/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/DialogUnits.h"
#include "ui/OpeningDialog.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutDialog"));
  setWindowTitle(TemplateText(resource::kAbout, 0, "About"));
  setFixedSize(DluX(235), DluY(65));

  auto* icon = new QLabel(this);
  icon->setGeometry(DluRect(11, 12, 20, 20));
  icon->setPixmap(ProgramLogo(icon->size()));

  auto* version = new QLabel(UiText(TextId::VersionLine, UiText(TextId::Version)), this);
  version->setObjectName(QStringLiteral("version"));
  version->setGeometry(DluRect(40, 6, 181, 27));
  QFont font(UiText(TextId::DialogTitleFace));
  font.setPixelSize(24);
  font.setBold(true);
  font.setStyleHint(QFont::Serif);
  version->setFont(font);
  version->setStyleSheet(QStringLiteral("color: rgb(0, 0, 150); background: transparent;"));

  auto* notice = new QLabel(
      TemplateText(resource::kAbout, 1149, "Remote control for impulse noise simulators"), this);
  notice->setGeometry(DluRect(39, 38, 185, 8));

  auto* ok = new QPushButton(TemplateText(resource::kAbout, 1, "OK"), this);
  ok->setGeometry(DluRect(184, 49, 44, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace hvt
