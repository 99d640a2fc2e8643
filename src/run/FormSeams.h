#pragma once

#include <cstdint>
#include <string>

namespace hvt {

class CPELKView;

// The list operations that a run calls but the unit and program lists own.
// Here they do what the run relies on: the program list, the unit overview,
// the step buttons. The lists replace them when they arrive.
class FormSeams {
 public:
  explicit FormSeams(CPELKView& view) : view(view) {}

  // The current program's list, name and repeat count; recounts its steps.
  void ShowProgram();
  // One row per unit in the overview list shown during a program run.
  void FillUnitOverview();
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
