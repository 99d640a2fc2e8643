#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "ports/Prompter.h"

class QMessageBox;

namespace hvt {

// Runs a modal box until it is answered, or until the program is told to end
// (SIGTERM, SIGHUP, ...), also before anyone listens for that request:
// nobody is left to answer it then, and nullopt comes back.
std::optional<int> ExecUnlessToldToEnd(QMessageBox& box);

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
