#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "form/NumericText.h"
#include "ports/ControlId.h"

namespace hvt {

struct FormWiring;

// Typed values of the condition form: the numeric boxes 1002..1010 with
// their form check, bounds, spins, the step rule and the range hints.
class ParameterEntry {
 public:
  // The quantity a numeric box edits; the trigger boxes edit the Variable or
  // the phase fields by the unit's trigger mode.
  enum class Field {
    VoltageStart,
    VoltageStop,
    VoltageStep,
    VariableStart,
    VariableStop,
    VariableStep,
    PhaseStart,
    PhaseStop,
    PhaseStep,
    InjectionTime,
    IntervalTime,
    ProgramTimes,
  };
  static constexpr int kFieldCount = 12;

  explicit ParameterEntry(FormWiring& with) : with(with) {}

  static bool IsNumericEdit(ControlId id);
  // The edit box a spin control belongs to, if it is one of the form's.
  static std::optional<ControlId> EditOfSpin(ControlId spin);
  std::optional<Field> FieldOf(ControlId edit) const;
  static form::NumberForm FormOf(Field field);

  // Setting a box's text from the program runs its change handling at once,
  // as typing does; every rule of the form relies on that.
  void SetEditText(ControlId edit, const std::string& text);

  // Notifications of a numeric box: focus gained, text changed, focus lost.
  void OnFocusGained(ControlId edit);
  void OnChange(ControlId edit);
  void OnFocusLost(ControlId edit);
  // A spin's final position: its box takes the focus, then the value.
  void OnSpin(ControlId spin, int position);
  // Moves the input focus as the platform does: the box losing it is told
  // first, then the box gaining it.
  void MoveFocus(ControlId to);

  void ApplyVoltageLimit(int unitNumber);
  void ShowTriggerMode(int32_t mode);
  void SetTriggerSpins(int32_t mode);
  void ShowVoltageStepHint();
  void ShowTriggerStepHint();

  int32_t UpperBound(Field field) const;
  int32_t LowerBound(Field field) const;
  const std::string& LastText(Field field) const { return lastText[Index(field)]; }

 private:
  static size_t Index(Field field) { return static_cast<size_t>(field); }
  int32_t& Working(Field field);
  std::string RestoreText(Field field);
  void Store(Field field, int32_t value);
  void FollowUp(Field field, int32_t value);
  void VoltageStepRule();
  void TriggerStepRule();

  FormWiring& with;
  std::array<std::string, kFieldCount> lastText{};
  int depth = 0;  // nesting of change handling started by its own rewrites
};

}  // namespace hvt
