#pragma once

#include <QDialog>
#include <QLabel>
#include <map>

#include "ports/ReportDialogControls.h"

class QLineEdit;

namespace hvt {

class TextCodec;

// The widgets of a report set-up dialog by template ID: labels, edits and
// check boxes. Texts cross in the document's code page.
class ReportSetupDialog : public QDialog, public ReportDialogControls {
  Q_OBJECT

 public:
  ReportSetupDialog(QWidget* parent, const TextCodec& codec);

  void SetText(int id, const std::string& text) override;
  std::string Text(int id) const override;
  void LimitText(int id, size_t bytes) override;
  void Check(int id, bool checked) override;
  bool IsChecked(int id) const override;
  void SetFont(int id, const DialogFont& font) override;
  void SetChoices(int id, const std::vector<std::string>& items, int chosen) override;
  int Choice(int id) const override;

  QWidget* Control(int id) const;

 protected:
  // Adds a template control; id 0 and below are decoration.
  template <class W>
  W* Add(int id, W* widget, int x, int y, int w, int h);
  QString Unicode(const std::string& bytes) const;

 private:
  static void FitLabel(QLabel* label);

  const TextCodec& codec;
  std::map<int, QWidget*> controls;
};

// Template 149, "Equipment name input".
class EquipmentNameDialog : public ReportSetupDialog {
  Q_OBJECT

 public:
  EquipmentNameDialog(QWidget* parent, const TextCodec& codec);
};

// Template 196, "Test conditions". onClear runs the presenter's Clear.
class TestConditionsDialog : public ReportSetupDialog {
  Q_OBJECT

 public:
  TestConditionsDialog(QWidget* parent, const TextCodec& codec);
  std::function<void()> onClear;
};

}  // namespace hvt
