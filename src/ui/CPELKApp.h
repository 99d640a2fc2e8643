#pragma once

#include <QString>
#include <QStringList>
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
};

// Parses `hvt-kp4rs [FILE.plk] [--simulate [--sim-type 1|3] [--sim-max-voltage 410|205]]`;
// nullopt with the reason in error for anything else.
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error);
QString AppUsage();

// The program from start to end: single instance, opening window, the view's
// start-up with the instrument, the main window, the event loop. Returns
// the process's exit code.
int RunApplication(const AppOptions& options);

}  // namespace hvt
