#include "view/CPELKView.h"

#include <algorithm>

#include "form/UnitSelection.h"
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
      lists(*this),
      entry(*this),
      selections(*this),
      layout(*this),
      filterTargets(*this),
      filter(*this, filterTargets),
      events(*this),
      run(*this),
      watch(*this),
      nameMemo(*this),
      report(*this) {
  activeUnit = doc.currentUnit;
  events.keyFilter = [this](const KeyEvent& e) { return filter.OnKey(e); };
  events.mouseFilter = [this](const MouseEvent& e) { return filter.OnMouse(e); };
  events.listDoubleClick = [this](ControlId id, int) {
    if (id == ControlId::ProgramList) OpenProgramEditor(*this);
  };
  // A step button's clicked notification comes when it is released.
  for (ControlId button : {ControlId::UnitUpButton, ControlId::UnitDownButton,
                           ControlId::ProgramUpButton, ControlId::ProgramDownButton}) {
    events.clickHandlers[button] = [this, button] { lists.ReleaseStepButton(button); };
  }
  events.commandHandlers[CommandId::CopyUnit] = [this] { lists.CopyUnit(); };
  events.commandHandlers[CommandId::PasteUnit] = [this] { lists.PasteUnit(); };
  connection.mayStillInject = [this] { watch.WarnMayStillInject(); };
}

CPELKView::~CPELKView() { protocol.ClosePort(); }

bool CPELKView::StartUp(bool connect) {
  if (doc.firstUpdate) {
    if (connect && !connection.Connect()) return false;
    if (!configuration.QueryConfiguration()) doc.demoMode = connection.AskDemo() ? 1 : 0;
    doc.InitNewDocument();
    // The form is set up (condition area shown) before the unit is drawn,
    // so the unit's own page decides which columns stay visible.
    layout.SetUp();
  }
  doc.printModel = settings.ReadSetting("PRINT_ENV", "Model");
  doc.printSerial = settings.ReadSetting("PRINT_ENV", "Serial");
  InitialUpdate();
  return true;
}

void CPELKView::InitialUpdate() {
  selections.SelectUnit(doc.currentUnit);
  selections.RefreshForm();
  lists.ShowProgram();
  form.Check(ControlId::ProgramCheck, doc.programMode != 0);
  layout.EnableProgramArea();
  selections.ShowRadioPairs();
  enabling.UpdateRunControls();
  doc.firstUpdate = 0;
}

void CPELKView::OnTimer(int id) {
  if (ProgramLists::IsRepeatTimer(id)) {
    lists.OnRepeatTimer(id);
    return;
  }
  if (id == kLeftTestTimer) {
    watch.OnTimer(id);
    return;
  }
  run.OnTimer(id);
}

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
