#pragma once

#include <cstdint>

#include "model/SweepPoint.h"

namespace hvt {

// The view's run state; a run is active from Running on.
enum RunState : int {
  Idle = 0,
  LineOn = 1,
  Running = 2,
  Waiting = 3,
  Paused = 4,
};

// Window timers of the view.
inline constexpr int kBlinkTimer = 1;
inline constexpr int kPollTimer = 2;
// kLineWatchTimer (3) lives with the connection, which stops it.
inline constexpr unsigned kBlinkMs = 400;
inline constexpr unsigned kPollMs = 200;
inline constexpr unsigned kLineWatchMs = 200;

// The run's state and counters. RunControl alone writes them.
struct RunStatus {
  int32_t runState = Idle;
  int32_t oneShotMode = 0;
  int32_t activeUnit = 1;
  int32_t endlessInjection = 0;
  int32_t endlessInterval = 0;
  int32_t pollTicks = 0;
  int32_t totalSeconds = 0;
  int32_t secondsLeft = 0;
  int32_t lastInjectionCount = 0;
  int32_t lastIntervalCount = 0;
  int32_t lastUnitToggle = 0;
  int32_t lastSecondDigit = 0;
  int32_t blinkPhase = 0;
  int32_t rowBlinkPhase = 0;

  bool RunActive() const { return runState >= Running; }
};

// The running grid point and the times left in its phases. SweepControl
// alone writes them (the instrument's reports reach it through the run).
struct SweepState {
  SweepPoint sweepPoint;
  int32_t injectionLeft = 0;
  int32_t intervalLeft = 0;
};

// Where a TEST SEQUENCE run stands: the unit fed to the instrument and the
// unit shown, and the repetitions left of each. SequenceControl alone
// writes them.
struct SequenceState {
  int32_t sendPos = 1;
  int32_t showPos = 1;
  int32_t sendTimesLeft = 1;
  int32_t showTimesLeft = 1;
};

}  // namespace hvt
