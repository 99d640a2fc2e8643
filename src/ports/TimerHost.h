#pragma once

#include <cstdint>

namespace hvt {

// Receives timer ticks on the user-interface thread.
class TimerClient {
 public:
  virtual ~TimerClient() = default;
  virtual void OnTimer(int id) = 0;
};

// Window timers: one per ID; setting an ID again restarts it. Ticks never
// overlap: a tick runs to its end before the next is delivered.
class TimerHost {
 public:
  virtual ~TimerHost() = default;
  virtual void SetTimer(int id, uint32_t ms) = 0;
  virtual void KillTimer(int id) = 0;
};

}  // namespace hvt
