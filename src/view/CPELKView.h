#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form/FormLayout.h"
#include "form/FormWiring.h"
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
#include "ports/RunEvents.h"
#include "ports/TimerHost.h"
#include "run/FormFilterTargets.h"
#include "run/InputFilter.h"
#include "run/InstrumentWatch.h"
#include "run/RunControl.h"
#include "run/RunEnabling.h"
#include "run/RunState.h"
#include "run/RunWiring.h"
#include "run/SequenceControl.h"
#include "run/SweepControl.h"
#include "view/FormDispatcher.h"
#include "view/JournalRecorder.h"
#include "view/ReportCommands.h"

namespace hvt {

class SettingsFile;

// The main view's core, without any widget: it owns the run, the link and
// the form's parts with their states, wires them to the ports and to each
// other, and holds no rule of its own. Widgets forward events here and show
// what the ports are told.
class CPELKView : public TimerClient, private RunHost, private FormHost {
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

  bool RunActive() const override { return runStatus.RunActive(); }
  // The highest voltage a status answer may report for the unit it runs.
  int32_t ReportedVoltageLimit() const;
  // Whether a menu command may be started in the present run state.
  // The run's rule, and for the run record a last run whose journal exists.
  bool IsCommandEnabled(CommandId command) const {
    if (command == CommandId::ExportRunRecord && !HasRunRecord()) return false;
    return enabling.IsCommandEnabled(command);
  }
  bool HasRunRecord() const {
    return journalRecorder && !journalRecorder->LastJournalPath().empty();
  }
  // Another listener of the run's events (the view itself listens first).
  void AddRunListener(RunEvents& listener) { runEvents.listeners.push_back(&listener); }
  // Every run from now on gets a journal in this folder.
  JournalRecorder& EnableJournal(JournalFolder& folder, const JournalClock& clock,
                                 const TextCodec& codec);
  // The recorder, once enabled.
  JournalRecorder* journal() { return journalRecorder.get(); }
  // F8 during a run, with what ran at that moment: the desktop program
  // opens its anomaly box. Without a journal F8 does nothing.
  std::function<void(const JournalRecorder::Moment&)> openAnomalyBox;

  CPELKDoc& doc;
  Clock& clock;
  TimerHost& timers;
  Prompter& prompter;
  FormControls& form;
  SettingsFile& settings;

  // The parts' states. Each has one writer, its owner (the form's parts, the
  // run, the sweep, the sequence); everyone else reads.
  FormState formState;
  RunStatus runStatus;
  SweepState sweepState;
  SequenceState sequenceState;

  // The modal dialogs; the desktop program sets its own, everything else
  // gets dialogs that are cancelled at once.
  Dialogs* dialogs = &NoDialogs();
  // The printer, preview and PDF file of the report; none without a screen.
  ReportPrinter* printer = &NoPrinter();
  // Page count of the current print job, fixed when the job is prepared.
  int32_t reportPageCount = 1;

 private:
  // The run's events, handed on to the instrument watch and to every
  // listener in the order they were added.
  struct EventHub : RunEvents {
    explicit EventHub(CPELKView& view) : view(view) {}
    void RunStarted(int32_t unit, bool programRun) override;
    void UnitStarted(int32_t unit, int32_t position) override;
    void PointStarted(int32_t unit) override;
    void Paused() override;
    void Resumed() override;
    void Next() override;
    void SingleShot() override;
    void LineSwitched(bool on, LineCause cause) override;
    void Failed(RunEnd how, const std::string& text, bool byOperator, int32_t code) override;
    void Stopped(RunEnd how, bool stopAccepted) override;
    template <typename F>
    void Each(F&& tell);
    CPELKView& view;
    std::vector<RunEvents*> listeners;
  };

  // RunHost: what the form asks of the run.
  int32_t ActiveUnit() const override { return runStatus.activeUnit; }
  void MakeActive(int32_t unitNumber) override;
  void SetProgramTimes(int32_t times) override;
  void UpdateRunControls() override;
  void ShowConditionPanel(bool show) override;
  void SetSequenceLabel(int parameter, const std::string& text) override;
  void ShowSweepValues(bool current) override;

  // FormHost: what the run asks of the form.
  void SelectUnit(int unitNumber) override;
  void RefreshForm() override;
  void ShowRunUnit(int unitNumber) override;
  void ShowSequenceRows(int32_t page) override;
  void ShowProgram() override;
  void FillUnitOverview() override;
  void SetUnitButtons() override;
  void SetProgramButtons() override;
  bool CanPaste() const override;
  void SetEditText(ControlId edit, const std::string& text) override;
  void ShowVoltageStepHint() override;
  void ShowTriggerStepHint() override;
  void StepUnit(int direction) override;
  void StepProgram(int direction) override;
  void PressStepButton(ControlId button) override;
  void DisarmRepeat() override;
  void OnTabSelected(int page) override;
  void MarkAnomaly() override;

  EventHub runEvents;
  std::unique_ptr<JournalRecorder> journalRecorder;

 public:
  // What the form's and the run's parts were handed (a test may build one
  // more part on them).
  FormWiring formWiring;
  RunWiring runWiring;

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
