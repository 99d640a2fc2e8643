#pragma once

#include <cstdint>
#include <string>

namespace hvt {

class CPELKView;
struct UnitRecord;

// The sweep arithmetic: the grid point of the running unit, its stepping
// with carry, the step and time estimates, and the "Sequence" labels.
class SweepControl {
 public:
  explicit SweepControl(CPELKView& view) : view(view) {}

  void LoadRunCounters(int unitNumber);
  // Steps one nesting level; returns the carry (1 when it wrapped).
  int32_t SweepStep(int level, int unitNumber);
  // Steps from the level outward, then restarts the point's timing.
  void AdvanceSweep(int level, int unitNumber);
  // Grid points ahead minus one (a product of per-level counts).
  int32_t RemainingSteps(int unitNumber, bool fromCurrent) const;
  int32_t UnitRunSeconds(int unitNumber, bool fromCurrent) const;
  void ShowSweepValues(bool current);
  void SetSequenceLabel(int parameter, const std::string& text);
  void FillSequenceCombos();
  void RemoveFromSweepOrder(int parameter);

  // A sweep unit: SWEEP tab with at least one flag set.
  static bool IsSweepUnit(const UnitRecord& unit);

 private:
  CPELKView& view;
};

}  // namespace hvt
