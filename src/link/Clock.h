#pragma once

#include <cstdint>

namespace hvt {

// Millisecond time for the link's time-outs and the run's timers. TickCount
// is monotonic and wraps at 2^32: callers take the unsigned difference of
// two readings, so a wrap does not disturb an elapsed time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
};

}  // namespace hvt
