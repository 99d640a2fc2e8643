#pragma once

#include <cstdint>
#include <string>

namespace hvt {

class CPELKView;

// The form operations that a run calls but the condition form owns. Here
// they do what the run relies on: the working copy, the unit and program
// displays, the sequence rows. The condition form replaces the drawing of
// every condition control when it arrives.
class FormSeams {
 public:
  explicit FormSeams(CPELKView& view) : view(view) {}

  // Loads a unit into the working copy: tab, sweep levels, voltage limit,
  // and the program's repeat count for the sending side.
  void SelectUnit(int unitNumber);
  // Shows the working copy: unit number and name, levels and times.
  void RefreshForm();
  // The current program's list, name and repeat count; recounts its steps.
  void ShowProgram();
  // One row per unit in the overview list shown during a program run.
  void FillUnitOverview();
  // The sequence panel: combos in use on the SWEEP tab, fixed texts else.
  void ShowSequenceRows(int32_t active);
  // Each sequence combo's text goes to the static over it; the combo is
  // disabled (a run must not change the nesting order).
  void FreezeSequenceCombos();
  // Unit and program step buttons for the present numbers.
  void SetUnitButtons();
  // A step's cell in the program list: "LineOn", "LineOff", the first six
  // characters of the unit's name, or "No.%2d ".
  std::string StepText(uint16_t code) const;

 private:
  CPELKView& view;
};

}  // namespace hvt
