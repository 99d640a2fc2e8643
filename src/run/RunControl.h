#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ports/RunEvents.h"
#include "run/RunState.h"

namespace hvt {

struct RunWiring;

// The run state machine: the run controls, the timers that carry a run
// forward, status polling, and the demonstration clock.
class RunControl {
 public:
  RunControl(RunWiring& with, RunStatus& state) : with(with), state(state) {}

  // The unit the form shows and START runs; the form asks for it.
  void MakeActive(int32_t unitNumber);
  // The instrument's seconds digit is read afresh (a unit was sent).
  void ForgetSecondsDigit();

  // Control handlers.
  void StartRun();
  void EndRun();
  void TogglePause();
  // Sends LINE as the button now shows it; cause says who asked.
  void ToggleLine(LineCause cause = LineCause::Operator);
  void SendUpdate();
  void OnTriggerButton();
  void OnOneShotMode();
  // The program is told to end from outside (a signal, a session's end):
  // no test and no live EUT line may outlast it. Ends a run through EndRun
  // and switches the line off.
  void EndForExit();

  void OnTimer(int id);

  // Timer 2 pieces.
  std::string CheckRunStatus();
  bool StatusTick(int unitNumber, const std::string& status);
  bool PausedTick(int unitNumber);
  int32_t DemoSecond(int unitNumber);

  // Seconds passed between two readings of the instrument's seconds digit
  // (0..9, wrapping): 8 then 1 is 3 seconds.
  static int32_t SecondsBetweenDigits(int32_t last, int32_t digit) {
    return digit - last + (digit < last ? 10 : 0);
  }

  // The first cause of the run's end counts; later ones are ignored.
  void FailRun(RunEnd how);

  RunEnd lastRunEnd = RunEnd::None;
  // Asked just before START is sent: true means the operator wants out, and
  // the instrument is then not started at all.
  std::function<bool()> startVeto;

 private:
  void BlinkTick();
  void PollTick();
  void DemoTick();
  void LineWatchTick();
  void RowBlink();
  void SetLamp(bool lit);
  // A demonstration step to the next grid point.
  void AdvanceSweep(int unitNumber);

  RunWiring& with;
  RunStatus& state;
};

}  // namespace hvt
