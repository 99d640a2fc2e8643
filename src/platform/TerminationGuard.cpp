#include "platform/TerminationGuard.h"

#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>

#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace hvt {

namespace {

// The handler may touch nothing but these: a lock-free atomic and write(2).
std::atomic<int> requested{0};  // -1 a request without a signal, else the signal number
static_assert(std::atomic<int>::is_always_lock_free);

#ifndef _WIN32
int wakePipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM};
#endif
constexpr int kSignalCount = static_cast<int>(sizeof kSignals / sizeof kSignals[0]);

void Note(int signal) {
  int none = 0;
  requested.compare_exchange_strong(none, signal);
#ifndef _WIN32
  if (wakePipe[1] >= 0) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wakePipe[1], &byte, 1);
    errno = saved;
  }
#endif
}

extern "C" void OnTerminationSignal(int signal) { Note(signal); }

}  // namespace

#ifndef _WIN32
struct TerminationGuard::Saved {
  struct sigaction actions[kSignalCount];
  struct sigaction pipe;
};

TerminationGuard::TerminationGuard() : saved(std::make_unique<Saved>()) {
  requested.store(0);
  if (::pipe(wakePipe) == 0) {
    for (int fd : wakePipe) {
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
  } else {
    wakePipe[0] = wakePipe[1] = -1;  // the flag still works; the loop polls it
  }
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &action, &saved->actions[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &saved->pipe);
}

TerminationGuard::~TerminationGuard() {
  watch.reset();
  notifier.reset();
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &saved->actions[i], nullptr);
  ::sigaction(SIGPIPE, &saved->pipe, nullptr);
  for (int& fd : wakePipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}
#else
struct TerminationGuard::Saved {
  void (*actions[kSignalCount])(int);
};

TerminationGuard::TerminationGuard() : saved(std::make_unique<Saved>()) {
  requested.store(0);
  for (int i = 0; i < kSignalCount; ++i)
    saved->actions[i] = std::signal(kSignals[i], OnTerminationSignal);
}

TerminationGuard::~TerminationGuard() {
  watch.reset();
  for (int i = 0; i < kSignalCount; ++i) std::signal(kSignals[i], saved->actions[i]);
}
#endif

void TerminationGuard::Listen(std::function<void()> callback) {
  onStop = std::move(callback);
#ifndef _WIN32
  if (wakePipe[0] >= 0) {
    notifier = std::make_unique<QSocketNotifier>(wakePipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
      char drain[64];
      while (::read(wakePipe[0], drain, sizeof drain) > 0) {
      }
      Deliver();
    });
  }
#endif
  // A request that came before the loop listened, or without a wake-up
  // byte (no pipe, or Windows), is picked up on the next loop pass.
  QTimer::singleShot(0, [this] {
    if (StopRequested()) Deliver();
  });
  if (!watch) WatchOutput(-1);
}

void TerminationGuard::WatchOutput(int fd, int watchMs) {
  watch = std::make_unique<QTimer>();
  QObject::connect(watch.get(), &QTimer::timeout, [this, fd] {
#ifndef _WIN32
    if (fd >= 0) {
      // Errors and hang-ups are reported whatever events are asked for: a
      // pipe whose reader is gone shows POLLERR, a lost terminal POLLHUP.
      pollfd p{fd, 0, 0};
      if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) RequestStop();
    }
#else
    (void)fd;
#endif
    if (StopRequested()) Deliver();
  });
  watch->start(watchMs);
}

void TerminationGuard::Deliver() {
  if (delivered || !onStop) return;
  delivered = true;
  onStop();
}

void TerminationGuard::RequestStop() { Note(-1); }

bool TerminationGuard::StopRequested() { return requested.load() != 0; }

int TerminationGuard::Signal() {
  const int s = requested.load();
  return s > 0 ? s : 0;
}

}  // namespace hvt
