#include "ui/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "model/Settings.h"
#include "model/StringTable.h"
#include "ui/TemplateText.h"
#include "ui/UiText.h"

namespace hvt {

namespace {

// A printer, drawn: the style has no such icon.
QIcon PrinterIcon(bool preview) {
  QPixmap pixmap(16, 15);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawRect(4, 1, 7, 6);  // paper
  p.setBrush(QColor(192, 192, 192));
  p.drawRect(1, 6, 13, 6);  // body
  if (preview) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 150), 1.5));
    p.drawEllipse(QPointF(10.5, 9.5), 3, 3);
    p.drawLine(QPointF(12.5, 11.5), QPointF(15, 14));
  }
  return QIcon(pixmap);
}

// A menu item's text of the current language. The templates write the
// accelerator after a tab; Qt shows the action's own shortcut there.
QString MenuText(int id, const char* english) {
  return TemplateText(resource::kMainMenu, id, english).section(QLatin1Char('\t'), 0, 0);
}

// A command's prompt reads "status-bar text\ntool tip" in the string table,
// under the command's own number.
QString CommandPrompt(int command, int part) {
  return UiText(static_cast<TextId>(command)).section(QLatin1Char('\n'), part, part);
}

}  // namespace

QRect KeepOnScreen(const QRect& frame, const std::vector<QRect>& screens, const QRect& primary) {
  for (const QRect& screen : screens) {
    if (screen.intersects(frame)) return frame;
  }
  return QRect(primary.topLeft(), frame.size());
}

MainFrame::MainFrame(SettingsFile& settings, QWidget* parent)
    : QMainWindow(parent), settings(settings) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(UiText(TextId::AppTitle));
  // Fixed size: no maximize box, no resizing border.
  setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint) &
                 ~Qt::WindowMaximizeButtonHint);
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
}

QAction* MainFrame::AddCommand(QMenu* menu, const QString& text, int command,
                               const QKeySequence& keys) {
  auto* action = menu->addAction(text);
  action->setData(command);
  action->setStatusTip(CommandPrompt(command, 0));
  if (!keys.isEmpty()) {
    action->setShortcut(keys);
    // The accelerators also work while their menu is grayed; the command's
    // own rule decides (Run asks it).
    action->setShortcutContext(Qt::ApplicationShortcut);
    // A held accelerator is one command, not one per key repeat.
    action->setAutoRepeat(false);
    addAction(action);
  }
  connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  actions[command] = action;
  return action;
}

void MainFrame::BuildMenus() {
  QMenu* file = menuBar()->addMenu(MenuText(-1, "&File"));
  AddCommand(file, MenuText(kFileNew, "&New\tCtrl+N"), kFileNew,
             QKeySequence(Qt::CTRL | Qt::Key_N));
  AddCommand(file, MenuText(kFileOpen, "&Open...\tCtrl+O"), kFileOpen,
             QKeySequence(Qt::CTRL | Qt::Key_O));
  AddCommand(file, MenuText(kFileSave, "&Save\tCtrl+S"), kFileSave,
             QKeySequence(Qt::CTRL | Qt::Key_S));
  AddCommand(file, MenuText(kFileSaveAs, "Save &As..."), kFileSaveAs);
  file->addSeparator();
  AddCommand(file, MenuText(kFilePrint, "&Print...\tCtrl+P"), kFilePrint,
             QKeySequence(Qt::CTRL | Qt::Key_P));
  AddCommand(file, MenuText(kFilePrintPreview, "Print Pre&view"), kFilePrintPreview);
  AddCommand(file, MenuText(kExportPdf, "Export P&DF..."), kExportPdf);
  AddCommand(file, MenuText(kExportRunRecord, "Export Run Re&cord..."), kExportRunRecord);
  AddCommand(file, MenuText(kFilePrintSetup, "P&rint Setup..."), kFilePrintSetup);
  file->addSeparator();
  for (int i = 0; i < 4; ++i) {
    auto* action = file->addAction(QString());
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, i] {
      if (onOpenRecent && i < recent.size()) onOpenRecent(recent[i]);
    });
    recentActions.push_back(action);
  }
  // The framework shows a grayed "Recent File" while the list is empty.
  auto* none = AddCommand(file, MenuText(kFileMru1, "Recent File"), kFileMru1);
  none->setEnabled(false);
  file->addSeparator();
  AddCommand(file, MenuText(kAppExit, "E&xit"), kAppExit);

  QMenu* option = menuBar()->addMenu(MenuText(-2, "&Option"));
  AddCommand(option, MenuText(kEquipmentName, "&Equipment name input..."), kEquipmentName);
  AddCommand(option, MenuText(kTestConditions, "&Test conditions..."), kTestConditions);
  QMenu* comm = menuBar()->addMenu(MenuText(-3, "&Communication"));
  AddCommand(comm, MenuText(kRs232Setup, "&RS-232 SetUp..."), kRs232Setup);
  QMenu* help = menuBar()->addMenu(MenuText(-4, "&Help"));
  AddCommand(help, MenuText(kAppAbout, "&About..."), kAppAbout);
  menus = {file, option, comm, help};
}

void MainFrame::BuildToolBar() {
  toolBar = addToolBar(QStringLiteral("Standard"));
  toolBar->setObjectName(QStringLiteral("ToolBar"));
  toolBar->setMovable(false);
  toolBar->setIconSize(QSize(16, 15));
  // Qt's button for the buttons that do not fit shows only an arrow.
  if (auto* more = toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    more->setAccessibleName(UiText(TextId::MoreButtonsName));
  struct Button {
    int command;
    QIcon icon;
    const char* tip;
  };
  const Button buttons[] = {
      {kFileNew, style()->standardIcon(QStyle::SP_FileIcon), "New"},
      {kFileOpen, style()->standardIcon(QStyle::SP_DirOpenIcon), "Open"},
      {kFileSave, style()->standardIcon(QStyle::SP_DialogSaveButton), "Save"},
      {0, {}, nullptr},
      {kFilePrintPreview, PrinterIcon(true), "Print Preview"},
      {kFilePrint, PrinterIcon(false), "Print"},
      {0, {}, nullptr},
      {kAppAbout, style()->standardIcon(QStyle::SP_MessageBoxInformation), "About"},
  };
  for (const Button& b : buttons) {
    if (b.command == 0) {
      toolBar->addSeparator();
      continue;
    }
    QString tip = CommandPrompt(b.command, 1);
    if (tip.isEmpty()) tip = QLatin1String(b.tip);
    auto* action = toolBar->addAction(b.icon, tip);
    action->setToolTip(tip);
    action->setStatusTip(CommandPrompt(b.command, 0));
    const int command = b.command;
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    toolActions[command] = action;
  }
}

void MainFrame::BuildStatusBar() {
  statusBar()->setSizeGripEnabled(false);  // the window keeps its size
  message = new QLabel(UiText(TextId::Ready));
  message->setObjectName(QStringLiteral("StatusMessage"));
  statusBar()->addWidget(message, 1);
  progressPane = new QLabel(UiText(TextId::ProgressPaneBlanks));
  progressPane->setObjectName(QStringLiteral("ProgressPane"));
  // Its width is a row of blanks of a Latin face: a Japanese default face
  // has narrower blanks and would shrink the progress bar.
  QFont latin = progressPane->font();
  latin.setFamilies(
      {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  progressPane->setFixedWidth(
      QFontMetrics(latin).horizontalAdvance(UiText(TextId::ProgressPaneBlanks)) + 8);
  statusBar()->addPermanentWidget(progressPane);
  // The progress bar lies exactly over the pane, starting empty.
  progress = new QProgressBar(progressPane);
  progress->setObjectName(QStringLiteral("ProgressBar"));
  progress->setRange(0, 100);
  progress->setValue(0);
  progress->setTextVisible(false);
  progress->setGeometry(progressPane->rect());
  progressPane->installEventFilter(this);
  warning = new QLabel;
  warning->setObjectName(QStringLiteral("WarningPane"));
  // It says what the form cannot: that the instrument may be live.
  warning->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
  warning->setVisible(false);
  marksPane = new QLabel;
  marksPane->setObjectName(QStringLiteral("MarksPane"));
  marksPane->setVisible(false);
  journalPane = new QLabel;
  journalPane->setObjectName(QStringLiteral("JournalPane"));
  journalPane->setStyleSheet(QStringLiteral("QLabel { color: #a05000; font-weight: bold; }"));
  journalPane->setVisible(false);
  statusBar()->addPermanentWidget(journalPane);
  statusBar()->addPermanentWidget(marksPane);
  statusBar()->addPermanentWidget(warning);
}

void MainFrame::ShowLockKeys(std::function<std::optional<LockKeyState>()> reader) {
  readLockKeys = std::move(reader);
  if (!lockPanes.empty() || !readLockKeys || !readLockKeys()) return;
  std::vector<std::pair<TextId, bool LockKeyState::*>> keys;
  if (StringTable::CurrentLanguage() == Language::Japanese)
    keys.emplace_back(TextId::IndicatorKana, &LockKeyState::kana);
  keys.emplace_back(TextId::IndicatorCaps, &LockKeyState::caps);
  keys.emplace_back(TextId::IndicatorNum, &LockKeyState::num);
  keys.emplace_back(TextId::IndicatorScroll, &LockKeyState::scroll);
  // Before the warning pane: it is taken out and put back after them.
  statusBar()->removeWidget(marksPane);
  statusBar()->removeWidget(warning);
  for (const auto& [text, on] : keys) {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("LockPane%1").arg(static_cast<int>(text)));
    label->setAlignment(Qt::AlignCenter);
    // As wide as its text, shown or not, so the panes never move.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(UiText(text)) + 8);
    label->setAccessibleName(UiText(text));
    statusBar()->addPermanentWidget(label);
    lockPanes.push_back({label, text, on});
  }
  statusBar()->addPermanentWidget(marksPane);
  statusBar()->addPermanentWidget(warning);
  marksPane->setVisible(!marksPane->text().isEmpty());
  warning->setVisible(!warning->text().isEmpty());
  connect(&lockKeyTimer, &QTimer::timeout, this, &MainFrame::UpdateLockKeys);
  lockKeyTimer.start(250);
  UpdateLockKeys();
}

void MainFrame::UpdateLockKeys() {
  const std::optional<LockKeyState> state = readLockKeys();
  for (const LockPane& pane : lockPanes) {
    const bool on = state && (*state).*pane.on;
    pane.label->setText(on ? UiText(pane.text) : QString());
  }
}

QStringList MainFrame::LockKeyTexts() const {
  QStringList texts;
  for (const LockPane& pane : lockPanes) texts << pane.label->text();
  return texts;
}

void MainFrame::SetMarksText(const QString& text) {
  marksPane->setText(text);
  marksPane->setAccessibleName(text);
  marksPane->setVisible(!text.isEmpty());
}

void MainFrame::SetJournalWarning(const QString& text) {
  // A long path would push the other panes off the fixed-size window: the
  // middle is elided here, the whole text is the tip and the name.
  journalPane->setText(journalPane->fontMetrics().elidedText(text, Qt::ElideMiddle, width() / 2));
  journalText = text;
  journalPane->setAccessibleName(text);
  journalPane->setToolTip(text);
  journalPane->setVisible(!text.isEmpty());
}

QString MainFrame::JournalWarning() const { return journalText; }

void MainFrame::SetWarningText(const QString& text) {
  warning->setText(text);
  warning->setAccessibleName(text);
  warning->setVisible(!text.isEmpty());
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == progressPane && event->type() == QEvent::Resize) {
    progress->setGeometry(progressPane->rect());
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainFrame::SetForm(QWidget* form) {
  setCentralWidget(form);
  form->setFixedSize(form->size());
  adjustSize();
  setFixedSize(sizeHint());
}

void MainFrame::RestorePosition() {
  const WindowPosition saved = ReadWindowPosition(settings);
  QRect frame(QPoint(static_cast<int>(saved.left), static_cast<int>(saved.top)),
              frameGeometry().size());
  std::vector<QRect> screens;
  for (QScreen* screen : QGuiApplication::screens()) screens.push_back(screen->geometry());
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) frame = KeepOnScreen(frame, screens, primary->availableGeometry());
  move(frame.topLeft());
}

void MainFrame::SavePosition() {
  const QRect frame = frameGeometry();
  // The sides of the window's rectangle, right and bottom exclusive.
  settings.WriteSetting("Position", "left", std::to_string(frame.left()));
  settings.WriteSetting("Position", "top", std::to_string(frame.top()));
  settings.WriteSetting("Position", "right", std::to_string(frame.left() + frame.width()));
  settings.WriteSetting("Position", "bottom", std::to_string(frame.top() + frame.height()));
}

void MainFrame::EnableClose(bool enabled) { closeEnabled = enabled; }

void MainFrame::EnableFrame(bool enabled) {
  frameEnabled = enabled;
  for (QMenu* menu : menus) menu->menuAction()->setEnabled(enabled);
  toolBar->setEnabled(enabled);
  // The minimize box goes while a run is on. The native window's hints are
  // changed in place: QWidget::setWindowFlags would unmap and map the window
  // again, and a window manager may then show it without its frame.
  QWindow* native = windowHandle();
  if (!native) return;
  const Qt::WindowFlags flags = native->flags();
  const Qt::WindowFlags wanted =
      enabled ? (flags | Qt::WindowMinimizeButtonHint) : (flags & ~Qt::WindowMinimizeButtonHint);
  if (wanted != flags) native->setFlags(wanted);
}

void MainFrame::changeEvent(QEvent* event) {
  // A window manager that keeps offering Minimize during a run is not obeyed.
  if (event->type() == QEvent::WindowStateChange && !frameEnabled && isMinimized()) {
    QMetaObject::invokeMethod(
        this, [this] { showNormal(); }, Qt::QueuedConnection);
  }
  QMainWindow::changeEvent(event);
}

void MainFrame::UpdateCommandStates() {
  if (!isCommandEnabled) return;
  for (auto& [command, action] : actions) {
    if (command != kFileMru1) action->setEnabled(isCommandEnabled(command));
  }
  for (auto& [command, action] : toolActions) action->setEnabled(isCommandEnabled(command));
  for (QAction* action : recentActions) action->setEnabled(isCommandEnabled(kFileOpen));
}

void MainFrame::SetRecentFiles(const QStringList& files) {
  recent = files.mid(0, 4);
  for (int i = 0; i < 4; ++i) {
    QAction* action = recentActions[static_cast<size_t>(i)];
    action->setVisible(i < recent.size());
    if (i < recent.size()) action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(recent[i]));
  }
  actions[kFileMru1]->setVisible(recent.isEmpty());
}

QAction* MainFrame::Action(int command) const {
  auto it = actions.find(command);
  return it == actions.end() ? nullptr : it->second;
}

void MainFrame::Run(int command) {
  // Accelerators and tool-bar buttons reach here while a menu is grayed:
  // the command's own rule has the last word.
  if (isCommandEnabled && !isCommandEnabled(command)) return;
  if (command == kAppExit) {
    close();
    return;
  }
  if (onCommand) onCommand(command);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  if (!closeEnabled || (queryClose && !queryClose())) {
    event->ignore();
    return;
  }
  SavePosition();
  QMainWindow::closeEvent(event);
}

}  // namespace hvt
