#pragma once

namespace hvt {

class CPELKView;

// The form's four text buttons: Test Memo (1057), Program Memo (1103),
// Unit Name Edit (1070) and Program Name Edit (1104). Each opens its dialog
// on copies and writes back on OK. The buttons are disabled during a run
// (and 1103/1104 outside TEST SEQUENCE mode), so a disabled button's click
// never gets here.
class NameMemoButtons {
 public:
  // Registers the four click handlers with the view's dispatcher.
  explicit NameMemoButtons(CPELKView& view);

  void OnTestMemo();
  void OnProgramMemo();
  void OnUnitNameEdit();
  void OnProgramNameEdit();

 private:
  CPELKView& view;
};

}  // namespace hvt
