#pragma once

#include <optional>
#include <string>

namespace hvt {

// Presenters of the modal dialogs: each holds its dialog's rules in the core
// and talks to its widgets through a small port of its own.
class UnitSelection;
class NameEditor;
class MemoEditor;
class Rs232Setup;
class EquipmentNameInput;
class TestConditionsInput;

// The modal dialogs the view opens. Each Run call shows the dialog bound to
// its presenter and returns true when the operator closed it with OK. The
// defaults are a dialog cancelled at once, which is what a program without a
// screen (hvtctl) gets.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  virtual bool Run(UnitSelection&) { return false; }
  virtual bool Run(NameEditor&) { return false; }
  virtual bool Run(MemoEditor&) { return false; }
  virtual bool Run(Rs232Setup&) { return false; }
  virtual bool Run(EquipmentNameInput&) { return false; }
  virtual bool Run(TestConditionsInput&) { return false; }

  // The system's file dialogs; std::nullopt when cancelled. Paths are
  // UTF-8.
  virtual std::optional<std::string> OpenFileName() { return std::nullopt; }
  virtual std::optional<std::string> SaveFileName(const std::string& proposed) {
    (void)proposed;
    return std::nullopt;
  }
};

// The dialogs of a program without a screen: every one is cancelled.
inline Dialogs& NoDialogs() {
  static Dialogs none;
  return none;
}

}  // namespace hvt
