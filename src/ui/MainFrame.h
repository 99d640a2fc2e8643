#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "model/TextId.h"
#include "platform/LockKeys.h"

class QAction;
class QMenu;
class QToolBar;

namespace hvt {

class SettingsFile;

// Where a saved window goes: kept as it is while any part of it lies on a
// screen, else moved to the primary screen's top left with its size.
QRect KeepOnScreen(const QRect& frame, const std::vector<QRect>& screens, const QRect& primary);

// The program's one top-level window: menus, tool bar and status bar around
// the form; fixed size; its position kept in the settings file. Which
// command may run is the core's rule, asked through isCommandEnabled.
class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Menu commands by their numeric IDs.
  enum : int {
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFilePrintSetup = 57606,
    kFilePrint = 57607,
    kFilePrintPreview = 57609,
    kFileMru1 = 57616,
    kAppAbout = 57664,
    kAppExit = 57665,
    kRs232Setup = 32771,
    kEquipmentName = 32773,
    kTestConditions = 32774,
    kExportPdf = 32790,
    kExportRunRecord = 32791,
  };

  explicit MainFrame(SettingsFile& settings, QWidget* parent = nullptr);

  // The form becomes the client; the window fits it and keeps that size.
  void SetForm(QWidget* form);
  // Moves the window to the saved position (defaults on a first start).
  void RestorePosition();

  QProgressBar* ProgressBar() const { return progress; }
  void SetStatusText(const QString& text) { message->setText(text); }
  QString StatusText() const { return message->text(); }
  // The standing warning after the other panes; hidden while empty.
  void SetWarningText(const QString& text);
  QString WarningText() const { return warning->text(); }
  // The marks of the running test, in a pane of its own beside the
  // warning; hidden while empty.
  void SetMarksText(const QString& text);
  // Why runs are not journaled (or a mark was lost), in a pane of its own:
  // it never hides the instrument's warning. Empty hides it.
  void SetJournalWarning(const QString& text);
  QString JournalWarning() const;

  // The lock-key panes (KANA in the Japanese edition, CAP, NUM, SCRL)
  // before the warning pane, read four times a second. Left out when the
  // reader cannot tell.
  void ShowLockKeys(std::function<std::optional<LockKeyState>()> reader);
  // The lock-key panes' texts in order; empty where a key is off.
  QStringList LockKeyTexts() const;

  // Close grayed: every way of closing the window is refused.
  void EnableClose(bool enabled);
  bool CloseEnabled() const { return closeEnabled; }
  // Menus, tool bar and the minimize box.
  void EnableFrame(bool enabled);
  // Re-reads every command's state from isCommandEnabled.
  void UpdateCommandStates();

  // The recent-file list (four entries), newest first.
  void SetRecentFiles(const QStringList& files);
  QStringList RecentFiles() const { return recent; }

  QAction* Action(int command) const;

  std::function<bool(int command)> isCommandEnabled;
  std::function<void(int command)> onCommand;
  std::function<void(const QString& path)> onOpenRecent;
  // Asked before the window closes (the save prompt); false keeps it open.
  std::function<bool()> queryClose;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  QAction* AddCommand(QMenu* menu, const QString& text, int command, const QKeySequence& keys = {});
  void Run(int command);
  void SavePosition();
  void UpdateLockKeys();

  SettingsFile& settings;
  std::map<int, QAction*> actions;
  std::map<int, QAction*> toolActions;
  std::vector<QMenu*> menus;
  std::vector<QAction*> recentActions;
  QStringList recent;
  QToolBar* toolBar = nullptr;
  QLabel* message = nullptr;
  QLabel* progressPane = nullptr;
  QLabel* warning = nullptr;
  QLabel* journalPane = nullptr;
  QString journalText;
  QLabel* marksPane = nullptr;
  QProgressBar* progress = nullptr;
  struct LockPane {
    QLabel* label;
    TextId text;
    bool LockKeyState::*on;
  };
  std::vector<LockPane> lockPanes;
  std::function<std::optional<LockKeyState>()> readLockKeys;
  QTimer lockKeyTimer;
  bool closeEnabled = true;
  bool frameEnabled = true;
};

}  // namespace hvt
