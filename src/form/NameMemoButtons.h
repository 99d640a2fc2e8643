#pragma once

namespace hvt {

struct FormWiring;

// The form's four text buttons: Test Memo (1057), Program Memo (1103),
// Unit Name Edit (1070) and Program Name Edit (1104). Each opens its dialog
// on copies and writes back on OK. The buttons are disabled during a run
// (and 1103/1104 outside TEST SEQUENCE mode), so a disabled button's click
// never gets here.
class NameMemoButtons {
 public:
  explicit NameMemoButtons(FormWiring& with) : with(with) {}

  void OnTestMemo();
  void OnProgramMemo();
  void OnUnitNameEdit();
  void OnProgramNameEdit();

 private:
  FormWiring& with;
};

}  // namespace hvt
