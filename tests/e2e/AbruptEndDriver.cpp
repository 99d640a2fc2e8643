// The desktop program with one operator step taken through its window (START
// or LINE), then its own event loop until something ends it: for the tests
// that take its display away or crash it. Prints "ready" once the step took.
// Usage: abrupt_end_driver run|line

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "run/CPELKView.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("KorrinHVT"));
  QApplication::setApplicationName(QStringLiteral("HVT-KP4RS"));
  const bool run = argc > 1 && std::strcmp(argv[1], "run") == 0;
  hvt::CPELKApp app(hvt::AppOptions{});
  if (!app.Start()) return 3;
  hvt::CPELKView& view = app.View();
  auto* button = app.Window().findChild<QAbstractButton*>(run ? "c1052" : "c1063");
  if (button == nullptr) return 4;
  QTest::mouseClick(button, Qt::LeftButton);
  const bool took = QTest::qWaitFor(
      [&] { return run ? view.runState >= hvt::Running : view.runState == hvt::LineOn; }, 5000);
  if (!took) return 5;
  std::printf("ready\n");
  std::fflush(stdout);
  return QApplication::exec();
}
