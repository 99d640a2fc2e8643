#pragma once

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

}  // namespace hvt
