#include "platform/LastGasp.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "link/Frame.h"

#ifndef _WIN32
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#endif

namespace hvt::last_gasp {

namespace {

std::atomic<int> portFd{-1};
std::atomic<bool> testExposed{false};
std::atomic<bool> lineExposed{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// Built before any handler can run: a handler may not allocate.
struct Frames {
  uint8_t stop[8] = {};
  size_t stopSize = 0;
  uint8_t lineOff[8] = {};
  size_t lineOffSize = 0;
};
Frames MakeFrames();
const Frames frames = MakeFrames();

std::function<void()>& ExitStop() {
  static auto* stop = new std::function<void()>;  // never destroyed: atexit may run after statics
  return *stop;
}

Frames MakeFrames() {
  Frames f;
  auto copy = [](const std::vector<uint8_t>& from, uint8_t* to, size_t& size) {
    size = 0;
    for (uint8_t b : from) {
      if (size < sizeof f.stop) to[size++] = b;
    }
  };
  copy(BuildFrame("CB"), f.stop, f.stopSize);
  copy(BuildFrame("PC0"), f.lineOff, f.lineOffSize);
  return f;
}

#ifndef _WIN32
constexpr int kWaitMs = 500;
constexpr int kCrashSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGFPE};
alignas(16) char altStack[64 * 1024];

int64_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
}

int LeftMs(int64_t deadline, int cap) {
  const int64_t left = deadline - NowMs();
  return static_cast<int>(left < 0 ? 0 : left < cap ? left : cap);
}

bool WriteAll(int fd, const uint8_t* data, size_t size, int64_t deadline) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd, POLLOUT, 0};
    const int wait = LeftMs(deadline, kWaitMs);
    if (wait == 0 || ::poll(&p, 1, wait) < 0) return false;
  }
  return true;
}

// Up to 500 ms (and never past the deadline) for one ACK; any other byte
// (a NAK, a late answer) fails the wait.
bool AwaitAck(int fd, int64_t deadline) {
  const int64_t until = NowMs() + kWaitMs < deadline ? NowMs() + kWaitMs : deadline;
  for (;;) {
    const int wait = LeftMs(until, kWaitMs);
    if (wait == 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || !(p.revents & POLLIN)) return false;
    uint8_t byte = 0;
    const ssize_t n = ::read(fd, &byte, 1);
    if (n == 1) return byte == kAck;
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
  }
}

bool Transaction(int fd, const uint8_t* frame, size_t size, int64_t deadline) {
  const uint8_t enq = kEnq;
  return WriteAll(fd, &enq, 1, deadline) && AwaitAck(fd, deadline) &&
         WriteAll(fd, frame, size, deadline) && AwaitAck(fd, deadline);
}

extern "C" void OnCrashSignal(int signal) {
  const int saved = errno;
  const int fd = portFd.load();
  if (fd >= 0) StopOnDescriptor(fd, testExposed.load(), lineExposed.load());
  errno = saved;
  // SA_RESETHAND put the default action back; the signal is blocked until
  // the handler returns, and then ends the process as it would have.
  ::raise(signal);
}

void InstallCrashHandlers() {
  stack_t stack{};
  stack.ss_sp = altStack;
  stack.ss_size = sizeof altStack;
  ::sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnCrashSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  for (int s : kCrashSignals) ::sigaction(s, &action, nullptr);
}
#endif

extern "C" void OnExit() {
  // Copied out: the stop may end up disarming itself.
  const std::function<void()> stop = ExitStop();
  if (stop) stop();
}

}  // namespace

int StopOnDescriptor(int fd, bool testMayRun, bool lineMayBeOn, int totalMs) {
#ifndef _WIN32
  if (fd < 0 || (!testMayRun && !lineMayBeOn)) return 0;
  const int64_t deadline = NowMs() + totalMs;
  ::tcflush(fd, TCIFLUSH);  // stale answers would be taken for the ACK
  int acknowledged = 0;
  if (testMayRun && Transaction(fd, frames.stop, frames.stopSize, deadline)) ++acknowledged;
  if (lineMayBeOn && Transaction(fd, frames.lineOff, frames.lineOffSize, deadline)) ++acknowledged;
  return acknowledged;
#else
  (void)fd;
  (void)testMayRun;
  (void)lineMayBeOn;
  (void)totalMs;
  return 0;
#endif
}

void Install() {
  static std::once_flag once;
  std::call_once(once, [] {
    ExitStop();
    std::atexit(OnExit);
#ifndef _WIN32
    InstallCrashHandlers();
#endif
  });
}

void SetPort(int fd) { portFd.store(fd); }

void SetExposure(bool testMayRun, bool lineMayBeOn) {
  testExposed.store(testMayRun);
  lineExposed.store(lineMayBeOn);
}

void SetExitStop(std::function<void()> stop) { ExitStop() = std::move(stop); }

}  // namespace hvt::last_gasp
