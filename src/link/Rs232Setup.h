#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvt {

class SettingsFile;

// The controls of the RS-232 set-up dialog (template 133).
enum class Rs232Control : int {
  Ok = 1,
  Cancel = 2,
  PortCombo = 1031,
  PortLabel = 1032,
  BaudLabel = 1033,
  DataBitsLabel = 1034,
  ParityLabel = 1035,
  StopBitsLabel = 1038,
  FlowLabel = 1039,
  Other = 0,
};

// One port the operator may choose: its number and the text shown for it.
struct PortEntry {
  int32_t number = 0;
  std::string text;  // "COM33 (/dev/ttyUSB0)"
};

// What the dialog's widgets are told.
class Rs232SetupControls {
 public:
  virtual ~Rs232SetupControls() = default;
  virtual void SetPortEntries(const std::vector<std::string>& texts) = 0;
  virtual void SelectPortEntry(int index) = 0;
  // Ends the modal dialog, with OK or Cancel.
  virtual void EndDialog(bool ok) = 0;
};

// The RS-232 set-up dialog's rules: only the port is chosen; the other line
// settings are fixed texts.
class Rs232Setup {
 public:
  // entries: the ports that open, in number order; selectedPort: the
  // document's port number.
  Rs232Setup(SettingsFile& settings, std::vector<PortEntry> entries, int32_t selectedPort);

  // Fills the list and selects the entry of selectedPort (the number, not a
  // text that merely starts with it), else the last entry.
  void OnInitDialog(Rs232SetupControls& controls);
  void OnSelect(int index);
  // Takes the selected entry's port number, writes it to the settings file
  // as EMV PORT_NUM and closes with OK.
  void OnOK();
  void OnCancel();
  // Enter acts only on the OK and Cancel buttons; it is always consumed.
  bool OnEnterKey(Rs232Control focus);

  const std::vector<PortEntry>& Entries() const { return entries; }
  int SelectedIndex() const { return selectedIndex; }

  // The "/"-joined names and their count, as the port listing gives them.
  std::string portList;
  int32_t portCount = 0;
  // On entry the document's port number; after OK the chosen one.
  int32_t selectedPort = 0;

 private:
  SettingsFile& settings;
  std::vector<PortEntry> entries;
  int selectedIndex = -1;
  Rs232SetupControls* controls = nullptr;
};

}  // namespace hvt
