#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/ControlId.h"

namespace hvt {

struct FormWiring;
struct UnitRecord;

// The chosen conditions of the form: combos, sweep flags, Endless, LINE,
// Phase/Variable, the sequence panel; and loading and redrawing the unit.
class Selections {
 public:
  explicit Selections(FormWiring& with) : with(with) {}

  // Combo handlers, with the entry chosen.
  void OnPolarity(int index);
  void OnPolarityStop(int index);
  void OnWidth(int index);
  void OnWidthStop(int index);
  void OnInjectionLine(int index);
  void OnInjectionStop(int index);
  void OnReturnLine();
  void OnTerminator(int index);
  void OnSequenceCombo(int row);

  // Check box and radio button handlers; the check state is read from the form.
  void OnSweepCheck(ControlId check);
  void OnEndless(ControlId check);
  void OnLineOption();
  void OnLineLabel();
  void OnProgramCheck();
  void OnPhase();
  void OnVariable();
  void OnUnitNames(bool names);
  // Phase/Variable and Unit Name/Unit No as the working unit and the
  // document hold them: exactly one of each pair checked.
  void ShowRadioPairs();

  void FillReturnCombo(int32_t injectionLine);
  void FillTerminatorCombo();
  void AddToSweepOrder(int parameter, const std::string& text);
  void ShowSequenceRows(int32_t active);
  // The sweep-order combos: the parameters each may name, and a parameter
  // whose flag went off moved out of the swept levels.
  void FillSequenceCombos();
  void RemoveFromSweepOrder(int parameter);
  // A sweep parameter's name as the form shows it.
  static std::string ParameterName(int parameter);

  // The running unit's number, name and sweep-order rows (a run shows each
  // unit it reaches, not the working copy).
  void ShowRunUnit(int unitNumber);

  // Loads unit n into the working copy (a number outside 1..50 shows unit 1).
  void SelectUnit(int unitNumber);
  void RefreshForm();

  // The text a parameter shows now: polarity, width, voltage, trigger,
  // injection or return control.
  std::string ParameterText(int parameter) const;

  // Lines the instrument offers: injection codes 0..lastLine-1, return
  // codes 0..lastLine. Bounded so that a damaged configuration cannot index
  // past the six line names.
  int LastLine() const;
  std::vector<std::string> InjectionItems() const;
  std::vector<std::string> WidthItems() const;
  std::vector<std::string> ReturnItems(int32_t injectionLine) const;
  std::vector<std::string> TerminatorItems() const;

  // Whether a unit's sweep order is a permutation of 0..5 and its sweep
  // count matches its flags.
  static bool SweepOrderSound(const UnitRecord& unit);
  static int32_t CountedFlags(const UnitRecord& unit);

 private:
  UnitRecord* ActiveUnit();
  void RepairSweepOrder(UnitRecord& unit);
  void SyncOrder();

  FormWiring& with;
};

}  // namespace hvt
