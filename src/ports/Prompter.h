#pragma once

#include <optional>
#include <string>

namespace hvt {

enum class Buttons { Ok, YesNo, AbortRetryIgnore, RetryCancel, OkCancel, YesNoCancel };
enum class Answer { Ok, Yes, No, Abort, Retry, Ignore, Cancel };
enum class MessageIcon { None, Warning, Information, Question };

// The answer of an operator who is not there to read the box: the one that
// gives up.
constexpr Answer GiveUpAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::AbortRetryIgnore:
      return Answer::Abort;
    case Buttons::RetryCancel:
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
      return Answer::Cancel;
    case Buttons::YesNo:
      return Answer::No;
    case Buttons::Ok:
      break;
  }
  return Answer::Ok;
}

// Who owns the box: the opening window during start-up, else the view or
// the main window.
enum class Owner { OpeningWindow, View, MainWindow };

// Modal messages and questions.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // defaultButton is the button Enter presses; without one the box keeps
  // the platform's default (its first button).
  virtual Answer Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
                     std::optional<Answer> defaultButton) = 0;
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner) {
    return Ask(text, buttons, icon, owner, std::nullopt);
  }
  // A question whose default answer is also the safe one: it is the answer
  // when the program is told to end while the box is up. Any other box then
  // gives GiveUpAnswer.
  virtual Answer AskSafeDefault(const std::string& text, Buttons buttons, MessageIcon icon,
                                Owner owner, Answer safe) {
    return Ask(text, buttons, icon, owner, safe);
  }
};

}  // namespace hvt
