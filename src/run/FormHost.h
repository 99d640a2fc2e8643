#pragma once

#include <cstdint>
#include <string>

#include "ports/ControlId.h"

namespace hvt {

// What the run asks of the condition form. The view implements it by
// calling the form's parts, so the run never calls into the form itself.
class FormHost {
 public:
  virtual ~FormHost() = default;
  // The unit on the form and the form redrawn from it.
  virtual void SelectUnit(int unitNumber) = 0;
  virtual void RefreshForm() = 0;
  // The running unit's number, name and sweep-order rows.
  virtual void ShowRunUnit(int unitNumber) = 0;
  virtual void ShowSequenceRows(int32_t page) = 0;
  virtual void ShowProgram() = 0;
  virtual void FillUnitOverview() = 0;
  virtual void SetUnitButtons() = 0;
  virtual void SetProgramButtons() = 0;
  virtual bool CanPaste() const = 0;
  virtual void SetEditText(ControlId edit, const std::string& text) = 0;
  virtual void ShowVoltageStepHint() = 0;
  virtual void ShowTriggerStepHint() = 0;
  // Keys and mouse the run-time filter passes on to the form.
  virtual void StepUnit(int direction) = 0;
  virtual void StepProgram(int direction) = 0;
  virtual void PressStepButton(ControlId button) = 0;
  virtual void DisarmRepeat() = 0;
  virtual void OnTabSelected(int page) = 0;
  // F8 in a run: what runs now is kept for the operator's anomaly mark.
  virtual void MarkAnomaly() = 0;
};

}  // namespace hvt
