#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>

#include "platform/TerminationGuard.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace hvt {
namespace {

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "platform_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
  return *QCoreApplication::instance();
}

// Runs the loop until the guard has called back, or the bound passes.
int StopsDelivered(TerminationGuard& guard, int boundMs) {
  int calls = 0;
  guard.Listen([&] {
    ++calls;
    App().quit();
  });
  QTimer::singleShot(boundMs, &App(), [] { App().quit(); });
  App().exec();
  App().processEvents();
  return calls;
}

#ifndef _WIN32
TEST(TerminationGuard, EachEndingSignalIsOneStopDeliveredOnTheLoop) {
  App();
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(signal);
    TerminationGuard guard;
    EXPECT_FALSE(TerminationGuard::StopRequested());
    // Given before anyone listens, as during identification: kept, not lost.
    ::raise(signal);
    ::raise(signal);
    EXPECT_TRUE(TerminationGuard::StopRequested());
    EXPECT_EQ(TerminationGuard::Signal(), signal);
    EXPECT_EQ(StopsDelivered(guard, 2000), 1);
  }
  // The default comes back with the guard gone.
  struct sigaction now {};
  ::sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST(TerminationGuard, BrokenPipeIsAStopNotADeath) {
  App();
  TerminationGuard guard;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);                         // the reader is gone, as when head has printed its lines
  EXPECT_EQ(::write(fds[1], "x", 1), -1);  // SIGPIPE ignored: a failed write
  guard.WatchOutput(fds[1], 10);
  EXPECT_EQ(StopsDelivered(guard, 2000), 1);
  EXPECT_TRUE(TerminationGuard::StopRequested());
  EXPECT_EQ(TerminationGuard::Signal(), 0);
  ::close(fds[1]);
}
#endif

TEST(TerminationGuard, NothingHappensWithoutARequest) {
  App();
  TerminationGuard guard;
  EXPECT_EQ(StopsDelivered(guard, 100), 0);
  TerminationGuard::RequestStop();
  EXPECT_TRUE(TerminationGuard::StopRequested());
}

}  // namespace
}  // namespace hvt
