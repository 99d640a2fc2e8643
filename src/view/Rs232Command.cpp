#include "view/Rs232Command.h"

#include "link/PortPaths.h"
#include "link/Rs232Setup.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"

namespace hvt {

Rs232Command::Rs232Command(CPELKView& view) : view(view) {
  view.events.commandHandlers[CommandId::Rs232Setup] = [this] { OnRs232SetUp(); };
}

void Rs232Command::OnRs232SetUp() {
  CPELKDoc& doc = view.doc;
  const bool wasDemo = doc.demoMode != 0;
  // Our own port is closed for the listing, so that it is listed too, and
  // is open again while the dialog is shown.
  CommPort& port = view.protocol.Port();
  view.protocol.ClosePort();
  std::vector<PortEntry> entries;
  for (int32_t n : port.OpenablePorts()) {
    entries.push_back({n, PortDisplayName(n, port.DevicePath(n))});
  }
  view.protocol.OpenPort(doc.portNumber);
  if (entries.empty()) {
    view.prompter.Ask(LoadString(TextId::NoComPort), Buttons::Ok, MessageIcon::Warning,
                      Owner::MainWindow);
    return;
  }
  Rs232Setup dialog(view.settings, std::move(entries), doc.portNumber);
  if (!view.dialogs->Run(dialog)) return;
  doc.portNumber = static_cast<uint16_t>(dialog.selectedPort);
  // Also on the same port: the operator may have plugged the instrument in.
  view.connection.Connect();
  if (wasDemo && !doc.demoMode) TakeNewInstrument();
  view.watch.CheckAfterConnect();
}

void Rs232Command::TakeNewInstrument() {
  CPELKDoc& doc = view.doc;
  if (!view.configuration.QueryConfiguration()) doc.demoMode = view.connection.AskDemo() ? 1 : 0;
  // Message 6003 of Connect has offered to save the units first.
  doc.InitNewDocument();
  FormControls& form = view.form;
  form.SetItems(ControlId::InjectionLineCombo, view.selections.InjectionItems());
  form.SetItems(ControlId::InjectionStopCombo, view.selections.InjectionItems());
  form.SetItems(ControlId::WidthCombo, view.selections.WidthItems());
  form.SetItems(ControlId::WidthStopCombo, view.selections.WidthItems());
  view.run.MakeActive(doc.currentUnit);
  view.InitialUpdate();
}

}  // namespace hvt
