#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/RunState.h"

namespace hvt {

struct RunWiring;

// TEST SEQUENCE runs: the program's units one after the other, repeated,
// fed to the instrument one unit ahead; and the progress display of every run.
class SequenceControl {
 public:
  SequenceControl(RunWiring& with, SequenceState& state) : with(with), state(state) {}

  // Units of the current program as step positions (1, 3, 5, ...). Step
  // codes that are not unit numbers (the line switching codes) are passed
  // over: a run never uses them as units.
  std::vector<int32_t> RunPositions() const;
  // The unit number at a step position; 0 when it holds no unit.
  int32_t UnitAt(int32_t position) const;

  // A program run's first unit and its estimated seconds; the run makes the
  // unit active, then ShowProgramStart puts it on the form.
  struct ProgramStart {
    int32_t firstUnit = 0;
    int32_t totalSeconds = 0;
  };
  ProgramStart PrepareProgramRun();
  void ShowProgramStart(int32_t firstUnit);
  // The repetitions shown start from those the instrument is fed.
  void StartRepetitions() { state.showTimesLeft = state.sendTimesLeft; }
  void SetProgramTimes(int32_t times) { state.sendTimesLeft = times; }
  // Feeds the instrument the next unit when it asks, and moves the display
  // on when its unit toggle changed: reached is then the unit now shown,
  // else 0. False when a feed failed and the run has been ended.
  bool FeedProgram(bool nextUnitRequest, int32_t unitToggle, int32_t& reached);
  // The unit the instrument moved on to, on the form (made active first).
  void ShowUnitReached(int32_t unitNumber);
  // The demonstration's next unit, 0 when the program ended (the run is then
  // ended too); ShowDemoUnit shows it once it is active.
  int32_t AdvanceDemoProgram();
  void ShowDemoUnit(int32_t unitNumber);
  void ShowRunUnit(int unitNumber);
  void SetProgramRowText(int32_t position, bool visible);
  void ShowProgress(bool final);

  // Whether the unit shown is the last one of the last repetition.
  bool OnLastUnitOfLastRepetition() const;

  // "2m 5s", "1h 2m 5s".
  static std::string RemainingTimeText(int32_t seconds);
  // "START   50%   remaining 2m 5s"; the percentage is limited to 0..100 and
  // a zero estimate counts as done.
  static std::string ProgressText(int32_t totalSeconds, int32_t secondsLeft,
                                  int* percent = nullptr);

 private:
  int32_t NextRunPosition(int32_t position) const;
  bool IsLastRunPosition(int32_t position) const;
  void ShowTimesLeft(int32_t times);

  RunWiring& with;
  SequenceState& state;
  std::vector<int32_t> positions;  // of the run in progress
};

}  // namespace hvt
