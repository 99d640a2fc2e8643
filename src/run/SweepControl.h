#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvt {

struct RunWiring;
struct SweepState;
struct SweepPoint;
struct UnitRecord;

// The sweep arithmetic: the grid point of the running unit, its stepping
// with carry, the step and time estimates, and the "Sequence" labels.
class SweepControl {
 public:
  SweepControl(RunWiring& with, SweepState& state) : with(with), state(state) {}

  void LoadRunCounters(int unitNumber);
  // The parameters a run of the unit steps, outermost first. The sweep flags
  // decide which (sweepCount is not trusted), sweepOrder in which order;
  // with an instrument only voltage and trigger, the levels it is told of.
  std::vector<int> RunLevels(int unitNumber) const;
  // Steps the parameter at one sweepOrder index; returns the carry (1 when
  // it wrapped).
  int32_t SweepStep(int level, int unitNumber);
  // Steps the grid from its innermost run level outward, then restarts the
  // point's timing (an Endless injection then waits for NEXT: the run's
  // part).
  void AdvanceSweep(int unitNumber);
  // The point the instrument reports, and the phase times it counts down.
  void TakePoint(const SweepPoint& point);
  void SetPhaseTimes(int32_t injection, int32_t interval);
  // One second of the demonstration clock; the seconds then left.
  int32_t CountDownInjection();
  int32_t CountDownInterval();
  // Grid points ahead minus one (a product of per-level counts).
  int32_t RemainingSteps(int unitNumber, bool fromCurrent) const;
  int32_t UnitRunSeconds(int unitNumber, bool fromCurrent) const;
  void ShowSweepValues(bool current);
  // A parameter's present (or start) value as the "Sequence" labels show it,
  // and its name.
  std::string ParameterText(int parameter, bool current) const;
  void SetSequenceLabel(int parameter, const std::string& text);

  // A sweep unit: SWEEP tab with at least one level to step.
  bool IsSweepUnit(int unitNumber) const;

 private:
  int32_t PolarityStop(const UnitRecord& u) const;
  int32_t StepParameter(int parameter, const UnitRecord& u);
  long long LevelValuesFrom(int parameter, const UnitRecord& u, bool fromCurrent) const;

  RunWiring& with;
  SweepState& state;
};

}  // namespace hvt
