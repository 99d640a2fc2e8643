#pragma once

#include <cstdint>

namespace hvt {

// The present values of the running unit's sweepable quantities. The
// instrument reports them while it steps a sweep; UPDATE sets them.
struct SweepPoint {
  int32_t polarity = 0;
  int32_t widthIndex = 0;
  int32_t voltage = 0;   // 0.01 kV
  int32_t phase = 0;     // degrees
  int32_t variable = 0;  // ms
  int32_t injectionLine = 0;
  int32_t returnLine = 0;

  bool operator==(const SweepPoint&) const = default;
};

}  // namespace hvt
