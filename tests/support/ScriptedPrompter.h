#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ports/Prompter.h"

namespace hvt::testing {

// Answers from a script (or a default rule) and records every box.
class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    std::string text;
    Buttons buttons;
    MessageIcon icon;
    Owner owner;
    std::optional<Answer> defaultButton;
  };

  using Prompter::Ask;
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
             std::optional<Answer> defaultButton) override {
    shown.push_back({text, buttons, icon, owner, defaultButton});
    return Choose(text, buttons);
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown) out.push_back(s.text);
    return out;
  }

  std::deque<Answer> answers;
  std::function<Answer(const std::string&, Buttons)> rule;
  std::vector<Shown> shown;

 protected:
  Answer Choose(const std::string& text, Buttons buttons) {
    if (!answers.empty()) {
      const Answer a = answers.front();
      answers.pop_front();
      return a;
    }
    if (rule) return rule(text, buttons);
    switch (buttons) {
      case Buttons::YesNo:
        return Answer::No;
      case Buttons::AbortRetryIgnore:
        return Answer::Abort;
      case Buttons::RetryCancel:
      case Buttons::YesNoCancel:
        return Answer::Cancel;
      default:
        return Answer::Ok;
    }
  }
};

}  // namespace hvt::testing
