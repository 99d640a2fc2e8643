#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvt {

class CPELKView;
struct UnitRecord;

// The sweep arithmetic: the grid point of the running unit, its stepping
// with carry, the step and time estimates, and the "Sequence" labels.
class SweepControl {
 public:
  explicit SweepControl(CPELKView& view) : view(view) {}

  void LoadRunCounters(int unitNumber);
  // The parameters a run of the unit steps, outermost first. The sweep flags
  // decide which (sweepCount is not trusted), sweepOrder in which order;
  // with an instrument only voltage and trigger, the levels it is told of.
  std::vector<int> RunLevels(int unitNumber) const;
  // Steps the parameter at one sweepOrder index; returns the carry (1 when
  // it wrapped).
  int32_t SweepStep(int level, int unitNumber);
  // Steps the grid from its innermost run level outward, then restarts the
  // point's timing.
  void AdvanceSweep(int unitNumber);
  // Grid points ahead minus one (a product of per-level counts).
  int32_t RemainingSteps(int unitNumber, bool fromCurrent) const;
  int32_t UnitRunSeconds(int unitNumber, bool fromCurrent) const;
  void ShowSweepValues(bool current);
  // A parameter's present (or start) value as the "Sequence" labels show it,
  // and its name.
  std::string ParameterText(int parameter, bool current) const;
  // The parameter's name as the form shows it.
  static std::string ParameterName(int parameter);
  void SetSequenceLabel(int parameter, const std::string& text);
  void FillSequenceCombos();
  void RemoveFromSweepOrder(int parameter);

  // A sweep unit: SWEEP tab with at least one level to step.
  bool IsSweepUnit(int unitNumber) const;

 private:
  int32_t PolarityStop(const UnitRecord& u) const;
  int32_t StepParameter(int parameter, const UnitRecord& u);
  long long LevelValuesFrom(int parameter, const UnitRecord& u, bool fromCurrent) const;

  CPELKView& view;
};

}  // namespace hvt
