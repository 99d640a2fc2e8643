#pragma once

#include "ports/Dialogs.h"

class QWidget;

namespace hvt {

class TextCodec;

// The Qt dialogs behind the core's presenters. Each dialog's source file
// defines its own Run overload, so a dialog and its binding stay together.
class QtDialogs : public Dialogs {
 public:
  QtDialogs(QWidget* owner, TextCodec& codec) : owner(owner), codec(codec) {}

  bool Run(UnitSelection& editor) override;
  bool Run(NameEditor& editor) override;
  bool Run(MemoEditor& editor) override;
  bool Run(Rs232Setup& setup) override;                // Rs232Dialog.cpp
  std::optional<std::string> OpenFileName() override;  // FileDialogs.cpp
  std::optional<std::string> SaveFileName(const std::string& proposed) override;
  bool Run(EquipmentNameInput& presenter) override;
  bool Run(TestConditionsInput& presenter) override;

  // The application's main window owns every dialog.
  QWidget* owner;
  // The document's code page: document texts are bytes in it.
  TextCodec& codec;
};

}  // namespace hvt
