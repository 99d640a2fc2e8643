#pragma once

#include <cstdint>
#include <optional>

#include "ports/ControlId.h"
#include "ports/FormControls.h"
#include "ports/InputEvents.h"

namespace hvt {

struct RunWiring;

// Program cursor over the program list, else the I-beam over an editable
// field, else the arrow.
CursorShape ChooseCursor(bool overProgramList, bool overEditField);

// What the filter hands on to the parts of the form that own it: the tab
// pages, the unit and program navigation, the tooltips, the cursor and the
// frame's Close command.
class FilterTargets {
 public:
  virtual ~FilterTargets() = default;

  // Shows this page on the condition tab and handles it exactly as a page
  // chosen with the mouse (0 MANUAL, 1 SWEEP).
  virtual void SelectTabPage(int page) = 0;
  // One step of the unit or program number (+1 next, -1 previous), held
  // within 1..50: Enter on a step button.
  virtual void StepUnit(int direction) = 0;
  virtual void StepProgram(int direction) = 0;
  // The left button went down on an enabled step button: the first step and
  // the start of the auto-repeat.
  virtual void PressStepButton(ControlId button) = 0;
  // The mouse moved over the bare form: an auto-repeat in progress stops.
  virtual void DisarmRepeat() = 0;
  // Lets the form's tooltips see the mouse move.
  virtual void RelayToolTip(const MouseEvent& event) = 0;
  virtual void SetCursor(CursorShape cursor) = 0;
  // Whether the Close command of the main window is enabled (not grayed).
  virtual bool IsCloseEnabled() const = 0;
  // F8 in a run: the operator saw the equipment under test misbehave.
  virtual void MarkAnomaly() {}
};

// Everything the filter's decision depends on besides the event itself.
struct FilterState {
  int32_t runState = 0;
  bool programMode = false;
  bool enterLatch = false;
  bool closeEnabled = true;
  int32_t tabPage = 0;
  // The active unit's fields that decide which edit boxes take typing.
  bool sweepUnit = false;
  bool voltageSweep = false;
  bool triggerSweep = false;
  bool injectionEndless = false;
  bool intervalEndless = false;
  // Whether the control the event concerns (under the mouse, or holding the
  // focus for a key) is enabled.
  bool controlEnabled = true;

  bool RunActive() const { return runState >= 2; }
};

// What to do with one event. The actions are carried out in the order of
// the fields; the disposition says whether the event then goes on.
struct FilterDecision {
  Disposition disposition = Disposition::Pass;
  bool rememberPoint = false;  // right button: where the tab's context menu opens
  bool relayToolTip = false;
  bool updateCursor = false;  // mouse move: the two flags below are rewritten
  bool overProgramList = false;
  bool overEditField = false;
  // Ctrl+Tab: focus the tab control, select this page, drop pending input.
  std::optional<int> selectPage;
  int unitStep = 0;  // Enter on a unit step button: +1 or -1
  int programStep = 0;
  std::optional<ControlId> pressStepButton;
  bool disarmRepeat = false;  // a move over the bare form
  bool endRun = false;
  bool togglePause = false;
  bool markAnomaly = false;  // F8 pressed during a run
  std::optional<bool> setEnterLatch;
};

FilterDecision DecideKey(const KeyEvent& event, const FilterState& state);
FilterDecision DecideMouse(const MouseEvent& event, const FilterState& state);

// Whether an edit box takes typing for the unit described by the state
// (1002, 1005 and 1010 always; the stop, step and time boxes only when
// their quantity is swept or not Endless).
bool IsEditableField(ControlId id, const FilterState& state);

// The run-time input rules of the view: every key and mouse event of the
// form passes here before any control sees it. Decides, carries out the
// actions on the view and its targets, and keeps the cursor state.
class InputFilter {
 public:
  InputFilter(RunWiring& with, FilterTargets& targets) : with(with), targets(targets) {}

  Disposition OnKey(const KeyEvent& event);
  Disposition OnMouse(const MouseEvent& event);

  // The state the decision reads, for an event concerning this control.
  FilterState State(std::optional<ControlId> control) const;

  int32_t overProgramList = 0;
  int32_t overEditField = 0;
  FormPoint rightClickPoint;  // the last right-button press
  CursorShape cursor = CursorShape::Arrow;

 private:
  void Apply(const FilterDecision& decision, const MouseEvent* mouse);

  RunWiring& with;
  FilterTargets& targets;
  // Enter was pressed on an edit field and its release is still to come.
  int32_t enterLatch = 0;
};

}  // namespace hvt
