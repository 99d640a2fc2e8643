#pragma once

#include <cstdint>

#include "link/Clock.h"
#include "model/CPELKDoc.h"
#include "model/SweepPoint.h"
#include "model/UnitRecord.h"
#include "ports/Dialogs.h"
#include "ports/FormControls.h"
#include "ports/Prompter.h"
#include "ports/TimerHost.h"
#include "form/FormLayout.h"
#include "form/ParameterEntry.h"
#include "form/ProgramLists.h"
#include "form/Selections.h"

namespace hvt {


// The form's own state. The form's parts write it; the run and the view
// read it through a const reference.
struct FormState {
  // The form's working copy of the active unit and its limits.
  UnitRecord workingUnit;
  int32_t testModeTab = 0;
  int32_t voltageLimit = 800;
  int32_t workingTimes = 1;  // repeat count of the current program
  // Levels the sweep-order combos offer for the unit shown.
  int32_t sweepLevels = 0;
  // The unit clipboard of Copy/Paste; emptied when a file is opened.
  UnitRecord unitClipboard;
  int32_t clipboardFull = 0;
};

// What the form must know of the run and ask of it. The run owns the active
// unit and the run state; the view implements this by asking the run.
class RunHost {
 public:
  virtual ~RunHost() = default;
  virtual bool RunActive() const = 0;
  // The unit the form shows and START runs.
  virtual int32_t ActiveUnit() const = 0;
  virtual void MakeActive(int32_t unitNumber) = 0;
  // The repeat count a program run starts from.
  virtual void SetProgramTimes(int32_t times) = 0;
  virtual void UpdateRunControls() = 0;
  virtual void ShowConditionPanel(bool show) = 0;
  // The "Sequence" labels: one parameter's text, or all of them from the
  // unit (current false) or from the running sweep point.
  virtual void SetSequenceLabel(int parameter, const std::string& text) = 0;
  virtual void ShowSweepValues(bool current) = 0;
};

// The form's parts and what they use, handed to each part by the view.
struct FormWiring {
  CPELKDoc& doc;
  FormControls& form;
  Clock& clock;
  TimerHost& timers;
  Prompter& prompter;
  Dialogs*& dialogs;
  FormState& state;
  RunHost& run;
  Selections& selections;
  ParameterEntry& entry;
  ProgramLists& lists;
  FormLayout& layout;
};

}  // namespace hvt
