#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace hvt {

// One way for a program that drives the instrument to learn that it must
// stop: SIGINT, SIGTERM, SIGHUP and SIGQUIT, and an output nobody reads any
// more (a closed pipe, a hung-up terminal). A request is kept in an atomic
// flag the moment it arrives, so one given while the program is busy in a
// blocking transaction is never lost; the event loop then gets the callback
// on its own thread. SIGPIPE is ignored so that a closed standard output is
// a failed write, not the death of the process with the test still firing.
//
// One guard at a time per process; the previous dispositions come back when
// it is destroyed.
class TerminationGuard {
 public:
  TerminationGuard();
  ~TerminationGuard();
  TerminationGuard(const TerminationGuard&) = delete;
  TerminationGuard& operator=(const TerminationGuard&) = delete;

  // Starts delivering the request to the event loop (needs the application
  // object): onStop runs once, on the loop's thread, at the first request
  // (at once on the next loop pass if one came earlier).
  void Listen(std::function<void()> onStop);
  // Also treats a broken output descriptor as a stop request; it is looked
  // at every watchMs while the loop runs.
  void WatchOutput(int fd, int watchMs = 100);

  // A stop for another reason, for example a write to the output failed.
  // Safe to call from anywhere, also from a signal handler.
  static void RequestStop();
  static bool StopRequested();
  // The signal that asked, 0 when none did.
  static int Signal();

 private:
  void Deliver();

  struct Saved;
  std::unique_ptr<Saved> saved;
  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> watch;
  std::function<void()> onStop;
  bool delivered = false;
};

}  // namespace hvt
