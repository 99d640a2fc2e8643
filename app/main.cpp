#include <QApplication>
#include <cstdio>

#include "ui/CPELKApp.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("KorrinHVT"));
  QApplication::setApplicationName(QStringLiteral("HVT-KP4RS"));
  QApplication::setApplicationVersion(QStringLiteral("3.00"));
  // Window managers match the window to the installed desktop entry and
  // its icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("hvt-kp4rs"));

  QString error;
  const auto options = hvt::ParseAppOptions(QApplication::arguments(), error);
  if (!options) {
    std::fprintf(stderr, "hvt-kp4rs: %s\n%s", qPrintable(error), qPrintable(hvt::AppUsage()));
    return 2;
  }
  if (options->help) {
    std::fputs(qPrintable(hvt::AppUsage()), stdout);
    return 0;
  }
  if (options->version) {
    std::printf("hvt-kp4rs 3.00\n");
    return 0;
  }
  return hvt::RunApplication(*options);
}
