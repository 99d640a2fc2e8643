#pragma once

#include <QElapsedTimer>

#include "link/Clock.h"

namespace hvt {

// The monotonic clock of the running program.
class SteadyClock : public Clock {
 public:
  SteadyClock() { timer.start(); }
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;

 private:
  QElapsedTimer timer;
};

}  // namespace hvt
