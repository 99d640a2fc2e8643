#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvt {

class CPELKView;

// TEST SEQUENCE runs: the program's units one after the other, repeated,
// fed to the instrument one unit ahead; and the progress display of every run.
class SequenceControl {
 public:
  explicit SequenceControl(CPELKView& view) : view(view) {}

  // Units of the current program as step positions (1, 3, 5, ...). Step
  // codes that are not unit numbers (the line switching codes) are passed
  // over: a run never uses them as units.
  std::vector<int32_t> RunPositions() const;
  // The unit number at a step position; 0 when it holds no unit.
  int32_t UnitAt(int32_t position) const;

  void PrepareProgramRun();
  // False when a feed failed and the run has been ended.
  bool FeedProgram(bool nextUnitRequest, int32_t unitToggle);
  void AdvanceDemoProgram();
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

  CPELKView& view;
  std::vector<int32_t> positions;  // of the run in progress
};

}  // namespace hvt
