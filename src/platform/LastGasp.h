#pragma once

#include <functional>

namespace hvt {

// The instrument's last chance when the program ends without its own
// goodbye. Two ways:
//  - exit() from inside a library (Qt's xcb plugin ends the process that
//    way when the X connection breaks): an atexit handler runs the stop
//    set with SetExitStop, a normal bounded transaction on the still-open
//    port;
//  - a crash (SIGABRT, which also covers qFatal and std::terminate,
//    SIGSEGV, SIGBUS, SIGFPE): a handler on its own stack, so that a stack
//    overflow is covered too, sends "CB" and/or "PC0" with nothing but
//    async-signal-safe calls on the port's descriptor, within 2 s, and then
//    lets the signal take its default course (exit status and core dump).
// What to stop comes from SetExposure, kept in lock-free atomics.
namespace last_gasp {

// Installs the handlers once per process; later calls do nothing.
void Install();

// The open port's descriptor, -1 when it is closed.
void SetPort(int fd);
void SetExposure(bool testMayRun, bool lineMayBeOn);

// What the atexit handler runs; an empty function disarms it (the program's
// objects are going away in order).
void SetExitStop(std::function<void()> stop);

// The crash path's transactions on a descriptor, for tests: "CB" when
// testMayRun, then "PC0" when lineMayBeOn, each ENQ - ACK - frame - ACK
// with up to 500 ms a wait, all within totalMs. Async-signal-safe. Returns
// how many frames were acknowledged.
int StopOnDescriptor(int fd, bool testMayRun, bool lineMayBeOn, int totalMs = 2000);

}  // namespace last_gasp

}  // namespace hvt
