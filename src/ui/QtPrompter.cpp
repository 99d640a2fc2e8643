#include "ui/QtPrompter.h"

#include <QMessageBox>
#include <QTimer>

#include "platform/CodePages.h"
#include "platform/SystemLanguage.h"
#include "platform/TerminationGuard.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

constexpr int kTerminationLookMs = 50;

QMessageBox::StandardButtons ButtonsFor(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return QMessageBox::Ok;
    case Buttons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::AbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

Answer AnswerFor(int button, Buttons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Abort:
      return Answer::Abort;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Ignore:
      return Answer::Ignore;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      break;
  }
  // Closed without a button (Esc on a box that has no Cancel): the answer
  // that leaves things as they are.
  return GiveUpAnswer(buttons);
}

}  // namespace

std::optional<int> ExecUnlessToldToEnd(QMessageBox& box) {
  if (TerminationGuard::StopRequested()) return std::nullopt;
  bool gone = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, &box, [&box, &gone] {
    if (!TerminationGuard::StopRequested()) return;
    gone = true;
    box.done(QMessageBox::NoButton);
  });
  watch.start(kTerminationLookMs);
  const int button = box.exec();
  if (gone || TerminationGuard::StopRequested()) return std::nullopt;
  return button;
}

QWidget* QtPrompter::OwnerWindow(Owner owner) const {
  QWidget* wanted = owner == Owner::OpeningWindow ? opening.data()
                    : owner == Owner::View        ? view.data()
                                                  : main.data();
  return wanted ? wanted : main.data();
}

static QMessageBox::StandardButton ButtonFor(Answer answer) {
  switch (answer) {
    case Answer::Ok:
      return QMessageBox::Ok;
    case Answer::Yes:
      return QMessageBox::Yes;
    case Answer::No:
      return QMessageBox::No;
    case Answer::Abort:
      return QMessageBox::Abort;
    case Answer::Retry:
      return QMessageBox::Retry;
    case Answer::Ignore:
      return QMessageBox::Ignore;
    case Answer::Cancel:
      return QMessageBox::Cancel;
  }
  return QMessageBox::NoButton;
}

Answer QtPrompter::Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
                       std::optional<Answer> defaultButton) {
  return Show(text, buttons, icon, owner, defaultButton, GiveUpAnswer(buttons));
}

Answer QtPrompter::AskSafeDefault(const std::string& text, Buttons buttons, MessageIcon icon,
                                  Owner owner, Answer safe) {
  return Show(text, buttons, icon, owner, safe, safe);
}

Answer QtPrompter::Show(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
                        std::optional<Answer> defaultButton, Answer whenGone) {
  static const auto codec = MakeCodec(CodePageFor(StringTable::CurrentLanguage()));
  const auto utf8 = codec->ToUtf8(text);
  const QString message = utf8 ? QString::fromStdString(*utf8) : QString::fromLatin1(text.c_str());
  QMessageBox box(icon == MessageIcon::Warning       ? QMessageBox::Warning
                  : icon == MessageIcon::Information ? QMessageBox::Information
                  : icon == MessageIcon::Question    ? QMessageBox::Question
                                                     : QMessageBox::NoIcon,
                  UiText(TextId::AppTitle), message, ButtonsFor(buttons), OwnerWindow(owner));
  if (defaultButton) box.setDefaultButton(ButtonFor(*defaultButton));
  const std::optional<int> button = ExecUnlessToldToEnd(box);
  if (!button) return whenGone;
  return AnswerFor(*button, buttons);
}

}  // namespace hvt
