#pragma once

#include <cstdint>

namespace hvt {

struct FormWiring;

// The form as a whole: its one-time set-up, the MANUAL and SWEEP pages, the
// program area, the clickable statics and the right-click condition.
class FormLayout {
 public:
  explicit FormLayout(FormWiring& with) : with(with) {}

  // Fills the fixed contents of the controls, once, on the first update.
  void SetUp();
  // A page chosen by the operator (mouse or Ctrl+Tab): shown, and kept as
  // the unit's tab without marking the document modified.
  void OnTabSelected(int page);
  // Shows a page: MANUAL hides the sweep columns, SWEEP shows them.
  void ShowTabPage(int32_t page);
  void EnableProgramArea();
  void OnPhaseLabel();
  void OnVariableLabel();
  // Whether a right-click on the form opens the unit menu: never during a
  // run; otherwise the tab control takes the focus and the menu opens when
  // the point lies on it.
  bool OnContextMenu(bool insideConditionTab);

 private:
  FormWiring& with;
};

}  // namespace hvt
