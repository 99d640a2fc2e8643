#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace hvt {

// What the command line asks for.
struct AppOptions {
  QString file;           // a document to open after start-up
  bool simulate = false;  // the built-in instrument instead of a COM port
  int simulatedType = 3;  // its injection unit: 1 or 3 lines
  int simulatedMaxVoltage = 410;
  bool help = false;
  bool version = false;
  QString language;  // "en" or "ja" from --language; empty: the system's
};

// Parses `hvt-kp4rs [FILE.plk] [--simulate [--sim-type 1|3] [--sim-max-voltage 410|205]]
// [--language en|ja]`;
// nullopt with the reason in error for anything else.
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error);
QString AppUsage();

class CPELKView;
class FormWindow;
class MainFrame;
class QtForm;

// The program's objects for its whole life: document, settings, the link's
// device and clock, timers, prompts, the main window with the form, and the
// view that holds the rules.
class CPELKApp {
 public:
  explicit CPELKApp(AppOptions options);
  ~CPELKApp();
  CPELKApp(const CPELKApp&) = delete;
  CPELKApp& operator=(const CPELKApp&) = delete;

  // Single instance, the opening window for at least 500 ms, the view's
  // start-up with the instrument, the command line's document, the main
  // window shown. False when the program is to end at once (another copy
  // runs, or Abort at the start-up connection): no main window was shown.
  bool Start();

  CPELKView& View();
  MainFrame& Frame();
  FormWindow& Window();

 private:
  struct Parts;
  // Start's steps, in order.
  bool TakeSingleInstance();
  void MakeDevice();
  void BuildView();
  void ConnectInput();
  // The view's start-up and the check of what a killed program left; false
  // on Abort or when told to end meanwhile.
  bool StartUpWithInstrument();
  void ShowMainWindow();
  // Every run gets a journal in the user's journal folder.
  void OpenJournal();
  void RecoverJournals();
  QString SimulatedName() const;
  QString TitleSuffix() const;  // " - Simulated instrument" with --simulate

  AppOptions options;
  std::unique_ptr<Parts> parts;
};

// The program from start to end: Start, then the event loop until the main
// window closes. Returns the process's exit code.
int RunApplication(const AppOptions& options);

}  // namespace hvt
