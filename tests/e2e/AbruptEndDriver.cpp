// The desktop program with one operator step taken through its window (START
// or LINE), then its own event loop until something ends it: for the tests
// that take its display away or crash it. Prints "ready" once the step took.
// Usage: abrupt_end_driver run|line [overflow]
//   overflow: SIGUSR1 then makes it overflow its stack on the main thread

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "view/CPELKView.h"
#include "ui/CPELKApp.h"
#include "ui/FormWindow.h"

namespace {

// Deep enough for any stack; volatile so that it is not made a loop.
volatile std::sig_atomic_t overflowNow = 0;
void OnUsr1(int) { overflowNow = 1; }

int Overflow(volatile int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  return Overflow(depth + 1) + frame[0];
}

}  // namespace

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
      [&] { return run ? view.runStatus.runState >= hvt::Running : view.runStatus.runState == hvt::LineOn; }, 5000);
  if (!took) return 5;
  // The handler is in place before "ready": the test sends SIGUSR1 as soon as
  // it reads it, and SIGUSR1's default would end the program without a gasp.
  QTimer look;
  if (argc > 2 && std::strcmp(argv[2], "overflow") == 0) {
    std::signal(SIGUSR1, OnUsr1);
    QObject::connect(&look, &QTimer::timeout, [] {
      if (overflowNow) Overflow(0);
    });
    look.start(10);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return QApplication::exec();
}
