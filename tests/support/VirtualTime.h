#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "link/Clock.h"
#include "ports/TimerHost.h"

namespace hvt::testing {

// One virtual clock for everything a view waits on: the link's time-outs,
// sleeps, and the window timers. Time moves only when a wait, a sleep or
// RunFor says so; timers fire in time order, never into each other.
class VirtualTime : public Clock, public TimerHost {
 public:
  uint32_t TickCount() override { return now; }
  void Sleep(uint32_t ms) override { MoveTo(now + ms); }

  // Periodic until killed, as window timers are.
  void SetTimer(int id, uint32_t ms) override { timers[id] = Timer{now + ms, ms}; }
  void KillTimer(int id) override { timers.erase(id); }
  bool IsSet(int id) const { return timers.count(id) != 0; }

  // Fires due timers until the time has moved by ms.
  void RunFor(uint32_t ms) {
    const uint64_t end = static_cast<uint64_t>(now) + ms;
    Run([] { return false; }, end);
  }
  // Fires due timers until done() holds (checked after each tick) or the
  // time limit passes; true when done() held.
  bool RunUntil(const std::function<bool()>& done, uint32_t limitMs) {
    return Run(done, static_cast<uint64_t>(now) + limitMs);
  }

  // Called whenever the time moves (a simulated instrument keeps pace).
  std::function<void(uint32_t)> onMove;
  TimerClient* client = nullptr;
  uint32_t now = 0;

 private:
  struct Timer {
    uint64_t due;
    uint32_t period;
  };

  void MoveTo(uint64_t t) {
    if (t <= now) return;
    now = static_cast<uint32_t>(t);
    if (onMove) onMove(now);
  }

  bool Run(const std::function<bool()>& done, uint64_t end) {
    while (true) {
      if (done()) return true;
      auto next = timers.end();
      for (auto it = timers.begin(); it != timers.end(); ++it) {
        if (next == timers.end() || it->second.due < next->second.due) next = it;
      }
      if (next == timers.end() || next->second.due > end) {
        MoveTo(end);
        return done();
      }
      MoveTo(next->second.due);
      const int id = next->first;
      next->second.due = static_cast<uint64_t>(now) + next->second.period;
      if (client) client->OnTimer(id);
    }
  }

  std::map<int, Timer> timers;
};

}  // namespace hvt::testing
