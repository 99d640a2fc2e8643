#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/FormDispatcher.h"
#include "run/FormFilterTargets.h"
#include "form/FormLayout.h"
#include "run/InputFilter.h"
#include "form/NameMemoButtons.h"
#include "form/ParameterEntry.h"
#include "form/ProgramLists.h"
#include "form/Selections.h"
#include "link/CRsBasicProtocol.h"
#include "link/Configuration.h"
#include "link/Connection.h"
#include "link/InstrumentCommands.h"
#include "model/CPELKDoc.h"
#include "model/SweepPoint.h"
#include "ports/Dialogs.h"
#include "ports/FormControls.h"
#include "ports/Prompter.h"
#include "ports/ReportPrinter.h"
#include "ports/TimerHost.h"
#include "run/InstrumentWatch.h"
#include "view/ReportCommands.h"
#include "run/RunControl.h"
#include "run/RunEnabling.h"
#include "run/RunState.h"
#include "run/SequenceControl.h"
#include "run/SweepControl.h"

namespace hvt {

class SettingsFile;

// The main view's core: the run, the link and the form's state, without any
// widget. Widgets forward events here and show what the ports are told.
class CPELKView : public TimerClient {
 public:
  struct Ports {
    SerialDevice& device;
    Clock& clock;
    TimerHost& timers;
    Prompter& prompter;
    FormControls& form;
    SettingsFile& settings;
    CommPort::PathFn portPath;
  };

  CPELKView(CPELKDoc& doc, const Ports& ports);
  CPELKView(const CPELKView&) = delete;
  CPELKView& operator=(const CPELKView&) = delete;
  ~CPELKView() override;

  // Start-up part of the first initial update: connect (unless told the
  // program starts in demonstration mode), read the configuration (or ask
  // for demonstration mode), initialise the document, show the form.
  // False when the operator chose Abort.
  bool StartUp(bool connect = true);
  // Every initial update (start-up, File New, a framework open): the current
  // unit and program on the form, the program area and the name radios.
  void InitialUpdate();

  void OnTimer(int id) override;

  bool RunActive() const { return runState >= Running; }
  // The highest voltage a status answer may report for the unit it runs.
  int32_t ReportedVoltageLimit() const;
  // Whether a menu command may be started in the present run state.
  bool IsCommandEnabled(CommandId command) const { return enabling.IsCommandEnabled(command); }

  CPELKDoc& doc;
  Clock& clock;
  TimerHost& timers;
  Prompter& prompter;
  FormControls& form;
  SettingsFile& settings;

  // Run state and counters.
  int32_t runState = Idle;
  int32_t oneShotMode = 0;
  int32_t activeUnit = 1;
  int32_t endlessInjection = 0;
  int32_t endlessInterval = 0;
  int32_t pollTicks = 0;
  int32_t totalSeconds = 0;
  int32_t secondsLeft = 0;
  int32_t lastInjectionCount = 0;
  int32_t lastIntervalCount = 0;
  int32_t lastUnitToggle = 0;
  int32_t lastSecondDigit = 0;
  int32_t enterLatch = 0;
  int32_t blinkPhase = 0;
  int32_t rowBlinkPhase = 0;

  // Sweep.
  SweepPoint sweepPoint;
  int32_t injectionLeft = 0;
  int32_t intervalLeft = 0;
  int32_t sweepLevels = 0;

  // Sequence.
  int32_t sendPos = 1;
  int32_t showPos = 1;
  int32_t sendTimesLeft = 1;
  int32_t showTimesLeft = 1;

  // The form's working copy of the active unit and its limits.
  UnitRecord workingUnit;
  int32_t testModeTab = 0;
  int32_t voltageLimit = 800;
  int32_t workingTimes = 1;  // repeat count of the current program

  // The unit clipboard of Copy/Paste; emptied when a file is opened.
  UnitRecord unitClipboard;
  int32_t clipboardFull = 0;

  // The modal dialogs; the desktop program sets its own, everything else
  // gets dialogs that are cancelled at once.
  Dialogs* dialogs = &NoDialogs();
  // The printer, preview and PDF file of the report; none without a screen.
  ReportPrinter* printer = &NoPrinter();
  // Page count of the current print job, fixed when the job is prepared.
  int32_t reportPageCount = 1;

  CRsBasicProtocol protocol;
  InstrumentCommands commands;
  Connection connection;
  Configuration configuration;
  SweepControl sweep;
  SequenceControl sequence;
  RunEnabling enabling;
  ProgramLists lists;
  ParameterEntry entry;
  Selections selections;
  FormLayout layout;
  // Raw keys and mouse go through the run-time input rules; every other
  // widget report goes to its handler.
  FormFilterTargets filterTargets;
  InputFilter filter;
  FormDispatcher events;
  RunControl run;
  InstrumentWatch watch;
  NameMemoButtons nameMemo;
  ReportCommands report;
};

}  // namespace hvt
