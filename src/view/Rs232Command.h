#pragma once

namespace hvt {

class CPELKView;

// Communication → RS-232 SetUp: the port chosen in the dialog, stored, and
// the instrument connected anew on it.
class Rs232Command {
 public:
  // Registers the command with the view's dispatcher.
  explicit Rs232Command(CPELKView& view);

  void OnRs232SetUp();

 private:
  // After leaving demonstration mode: the new instrument's configuration,
  // a new document for it, and the form redrawn.
  void TakeNewInstrument();

  CPELKView& view;
};

}  // namespace hvt
