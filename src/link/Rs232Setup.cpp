#include "link/Rs232Setup.h"

#include "model/Settings.h"

namespace hvt {

Rs232Setup::Rs232Setup(SettingsFile& settings, std::vector<PortEntry> list, int32_t port)
    : selectedPort(port), settings(settings), entries(std::move(list)) {
  for (const PortEntry& e : entries) {
    if (portCount++ > 0) portList += '/';
    portList += "COM" + std::to_string(e.number);
  }
}

void Rs232Setup::OnInitDialog(Rs232SetupControls& c) {
  controls = &c;
  std::vector<std::string> texts;
  for (const PortEntry& e : entries) texts.push_back(e.text);
  controls->SetPortEntries(texts);
  selectedIndex = static_cast<int>(entries.size()) - 1;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].number == selectedPort) selectedIndex = static_cast<int>(i);
  }
  if (selectedIndex >= 0) controls->SelectPortEntry(selectedIndex);
}

void Rs232Setup::OnSelect(int index) {
  if (index >= 0 && index < static_cast<int>(entries.size())) selectedIndex = index;
}

void Rs232Setup::OnOK() {
  // The number travels with the entry: its text also names the device.
  if (selectedIndex >= 0 && selectedIndex < static_cast<int>(entries.size())) {
    selectedPort = entries[static_cast<size_t>(selectedIndex)].number;
  }
  settings.WriteSetting("EMV", "PORT_NUM", std::to_string(selectedPort));
  if (controls) controls->EndDialog(true);
}

void Rs232Setup::OnCancel() {
  if (controls) controls->EndDialog(false);
}

bool Rs232Setup::OnEnterKey(Rs232Control focus) {
  if (focus == Rs232Control::Ok) OnOK();
  if (focus == Rs232Control::Cancel) OnCancel();
  return true;
}

}  // namespace hvt
