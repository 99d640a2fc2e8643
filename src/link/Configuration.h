#pragma once

#include <cstdint>

namespace hvt {

class CPELKDoc;
class CRsBasicProtocol;
class InstrumentCommands;
class SettingsFile;

// Learns what the connected instrument can do (maximum voltage, injection
// unit, pulse widths, terminator) or takes the demonstration values.
class Configuration {
 public:
  // voltageLimit is the form's current voltage limit, set here until a unit
  // is selected.
  Configuration(CPELKDoc& doc, CRsBasicProtocol& protocol, InstrumentCommands& commands,
                SettingsFile& settings, int32_t& voltageLimit);

  // False when the instrument did not give its configuration; nothing is
  // changed then.
  bool QueryConfiguration();
  void ProbeTerminator();

 private:
  CPELKDoc& doc;
  CRsBasicProtocol& protocol;
  InstrumentCommands& commands;
  SettingsFile& settings;
  int32_t& voltageLimit;
};

}  // namespace hvt
