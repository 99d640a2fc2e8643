#pragma once

#include <QPointer>
#include <QWidget>

#include "ports/Prompter.h"

namespace hvt {

// The core's questions as message boxes captioned with the program's title,
// owned by the window the core names.
class QtPrompter : public Prompter {
 public:
  void SetOwner(Owner owner, QWidget* window) {
    (owner == Owner::OpeningWindow ? opening : owner == Owner::View ? view : main) = window;
  }
  using Prompter::Ask;
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
             std::optional<Answer> defaultButton) override;
  Answer AskSafeDefault(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
                        Answer safe) override;

 private:
  QWidget* OwnerWindow(Owner owner) const;
  // The box; a request to end while it is up answers it with whenGone.
  Answer Show(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
              std::optional<Answer> defaultButton, Answer whenGone);

  QPointer<QWidget> opening;
  QPointer<QWidget> view;
  QPointer<QWidget> main;
};

}  // namespace hvt
