#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace hvt {

// Step codes besides unit numbers 1..50.
inline constexpr uint16_t kStepEnd = 0;
inline constexpr uint16_t kStepLineOff = 100;
inline constexpr uint16_t kStepLineOn = 999;

// A test sequence: step k lives at the odd position 2k-1 of positions 1..100.
struct ProgramRecord {
  static constexpr int kPositions = 100;

  std::array<uint16_t, kPositions> steps{};  // steps[p - 1] is position p
  std::string name;
  std::string memo;
  int32_t times = 1;

  uint16_t& step(int position) { return steps.at(static_cast<size_t>(position - 1)); }
  uint16_t step(int position) const { return steps.at(static_cast<size_t>(position - 1)); }

  static ProgramRecord NewProgram(int number);

  bool operator==(const ProgramRecord&) const = default;
};

}  // namespace hvt
