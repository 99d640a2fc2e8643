#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "ports/FormControls.h"
#include "ports/FormEvents.h"

class QWidget;

namespace hvt {

class FormWindow;
class MainFrame;
class TextCodec;

// FormControls on the form's widgets and the main window: it shows what the
// core sets and forwards what the operator does (typed text, activated
// entries, clicks, focus, spin moves, page choice, list clicks) to the
// core's FormEvents. Programmatic changes are never forwarded: the core runs
// their consequences itself.
class QtForm : public QObject, public FormControls {
  Q_OBJECT

 public:
  QtForm(FormWindow& window, MainFrame& frame, const TextCodec& codec);
  ~QtForm() override;

  // Where operator events go; set once the core exists.
  void Connect(FormEvents* events, std::function<bool(ControlId)> toolTipAllowed,
               std::function<bool()> timesRunColoured);

  void Enable(ControlId id, bool enabled) override;
  bool IsEnabled(ControlId id) const override;
  void Show(ControlId id, bool visible) override;
  bool IsShown(ControlId id) const override;
  void Check(ControlId id, bool checked) override;
  bool IsChecked(ControlId id) const override;
  void SetText(ControlId id, const std::string& text) override;
  std::string Text(ControlId id) const override;
  void SetImage(ControlId id, Image image) override;
  void SetToolTip(ControlId id, const std::string& text) override;
  void SetTabStop(ControlId id, bool tabStop) override;
  void Focus(ControlId id) override;
  void Repaint(ControlId id) override;
  void SetItems(ControlId id, const std::vector<std::string>& items) override;
  void SelectItem(ControlId id, int index) override;
  int SelectedItem(ControlId id) const override;
  void SetCell(ControlId id, int row, int column, const std::string& text) override;
  std::string Cell(ControlId id, int row, int column) const override;
  int RowCount(ControlId id) const override;
  void DeleteRow(ControlId id, int row) override;
  void SelectRow(ControlId id, int row) override;
  void SetColumns(ControlId id, const std::vector<ListColumn>& columns) override;
  void SetSpinRange(ControlId id, int low, int high) override;
  void SetSpinPosition(ControlId id, int position) override;
  int SpinPosition(ControlId id) const override;
  std::pair<int, int> SpinRange(ControlId id) const override;
  void SetTabPage(ControlId id, int page) override;
  int TabPage(ControlId id) const override;
  std::optional<ControlId> FocusedControl() const override;
  bool IsButtonDown(ControlId id) const override;
  void SetCursor(CursorShape shape) override;

  void SetStatusText(const std::string& text) override;
  void SetWarningText(const std::string& text) override;
  void SetProgress(int percent) override;
  void MessageBeep(Beep kind) override;
  void EnableClose(bool enabled) override;
  bool IsCloseEnabled() const override;
  void EnableFrame(bool enabled) override;
  void SetWaitCursor(bool waiting) override;
  void SetWindowTitle(const std::string& title) override;
  void CommandStatesChanged() override;
  void DropPendingInput() override;

  // While true, the form's key and mouse input is dropped (see
  // DropPendingInput).
  bool DroppingInput() const { return dropping; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void customEvent(QEvent* event) override;

 private:
  QWidget* W(ControlId id) const;
  QString ToQt(const std::string& bytes) const;
  std::string FromQt(const QString& text) const;
  void WireOperatorEvents();
  void ApplyLook();
  void ApplyRunColours(ControlId id);
  // After every entry into the core: menus and tool bar follow its rules.
  template <typename F>
  void Enter(F&& f);

  FormWindow& window;
  MainFrame& frame;
  const TextCodec& codec;
  FormEvents* events = nullptr;
  std::function<bool(ControlId)> toolTipAllowed;
  std::function<bool()> timesRunColoured;  // the core's rule for 1008/1009
  bool settingTab = false;
  bool dropping = false;
  int waitDepth = 0;
  CursorShape cursor = CursorShape::Arrow;
};

}  // namespace hvt
