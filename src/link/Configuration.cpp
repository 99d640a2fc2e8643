#include "link/Configuration.h"

#include "link/Answers.h"
#include "link/CRsBasicProtocol.h"
#include "link/InstrumentCommands.h"
#include "model/CPELKDoc.h"
#include "model/Settings.h"
#include "model/StringTable.h"

namespace hvt {

Configuration::Configuration(CPELKDoc& doc, CRsBasicProtocol& protocol,
                             InstrumentCommands& commands, SettingsFile& settings,
                             int32_t& voltageLimit)
    : doc(doc),
      protocol(protocol),
      commands(commands),
      settings(settings),
      voltageLimit(voltageLimit) {}

bool Configuration::QueryConfiguration() {
  std::optional<ConfigurationAnswer> answer;
  if (!doc.demoMode) {
    const auto text = commands.QueryWithRetry(TextId::CodeConfiguration);
    if (text) answer = ParseConfigurationAnswer(*text);
    if (!answer) return false;
  }

  doc.maxVoltage = doc.demoMode ? 410 : answer->maxVoltage;
  const bool lowVoltage = doc.maxVoltage == 205;
  doc.minVariable = lowVoltage ? 10 : 16;
  voltageLimit = lowVoltage ? 400 : 800;

  if (doc.demoMode) {
    doc.injectionUnitType = InjectionTypeFromSetting(settings.ReadSetting("EMV", "TYPE"));
  } else {
    // Taken as the instrument says; demonstration mode later uses the last
    // instrument's type.
    doc.injectionUnitType = answer->injectionUnitType;
    settings.WriteSetting("EMV", "TYPE", answer->typeText);
  }
  doc.SetLinesForType(doc.injectionUnitType);

  doc.widthTable[0] = 10;
  if (doc.demoMode) {
    doc.widthTable = {10, 50, 100, 200, 400, 500, 800, 1000, -1};
    doc.widthLast = 8;
  } else {
    for (int k = 0; k < 7; ++k) doc.widthTable[static_cast<size_t>(k) + 1] = answer->widths[k];
    if (answer->triangle) {
      doc.widthTable[8] = -1;
      doc.widthLast = 8;
    } else {
      doc.widthLast = 7;  // entry 8 keeps its old value, unused
    }
  }
  ProbeTerminator();
  return true;
}

void Configuration::ProbeTerminator() {
  doc.builtInTerminator = 1;
  if (doc.demoMode) return;
  // Any answer at all means the instrument has the built-in terminator.
  const std::string& code = LoadString(TextId::CodeTerminator);
  if (!protocol.Query(code) && !protocol.Query(code)) doc.builtInTerminator = 0;
}

}  // namespace hvt
