#include "run/CPELKView.h"

#include <algorithm>

#include "model/Settings.h"

namespace hvt {

CPELKView::CPELKView(CPELKDoc& document, const Ports& ports)
    : doc(document),
      clock(ports.clock),
      timers(ports.timers),
      prompter(ports.prompter),
      form(ports.form),
      settings(ports.settings),
      protocol(ports.device, ports.clock, ports.portPath),
      commands(
          document, protocol, sweepPoint,
          CommandHooks{[this] { return oneShotMode != 0; }, [this] { return testModeTab; },
                       [this] { return ReportedVoltageLimit(); },
                       [this] { return workingUnit.voltage; }, [this] { lastSecondDigit = 0; }}),
      connection(document, protocol, commands, ports.prompter, ports.form, ports.timers),
      configuration(document, protocol, commands, ports.settings, voltageLimit),
      sweep(*this),
      sequence(*this),
      enabling(*this),
      formSeams(*this),
      run(*this) {
  activeUnit = doc.currentUnit;
}

CPELKView::~CPELKView() { protocol.ClosePort(); }

bool CPELKView::StartUp(bool connect) {
  if (doc.firstUpdate) {
    if (connect && !connection.Connect()) return false;
    if (!configuration.QueryConfiguration()) doc.demoMode = connection.AskDemo() ? 1 : 0;
    doc.InitNewDocument();
  }
  doc.printModel = settings.ReadSetting("PRINT_ENV", "Model");
  doc.printSerial = settings.ReadSetting("PRINT_ENV", "Serial");
  form.Show(ControlId::DemoLabel, doc.demoMode != 0);
  form.SetText(ControlId::PulseLabel, "PulseOut");
  form.Show(ControlId::PulseLabel, false);
  form.SetImage(ControlId::Lamp, Image::None);
  activeUnit = doc.currentUnit;
  formSeams.SelectUnit(activeUnit);
  formSeams.RefreshForm();
  formSeams.ShowProgram();
  form.Check(ControlId::ProgramCheck, doc.programMode != 0);
  enabling.ShowConditionPanel(true);
  enabling.UpdateRunControls();
  doc.firstUpdate = 0;
  return true;
}

void CPELKView::OnTimer(int id) { run.OnTimer(id); }

int32_t CPELKView::ReportedVoltageLimit() const {
  // In a program run the instrument may already report the unit fed ahead,
  // before the unit toggle says so: any unit of the program may be the one
  // reporting, so the highest of their limits applies.
  if (RunActive() && doc.programMode) {
    int32_t limit = 0;
    for (int32_t pos : sequence.RunPositions()) {
      limit = std::max(limit, doc.VoltageLimit(doc.unit(sequence.UnitAt(pos)).terminator));
    }
    if (limit > 0) return limit;
  }
  return voltageLimit;
}

}  // namespace hvt
