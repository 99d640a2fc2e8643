#pragma once

#include <cstdint>
#include <string>

namespace hvt {

// How the last run ended, for callers that report it (the command line).
enum class RunEnd {
  None,                  // no run yet, or one in progress
  Completed,             // the instrument (or the demonstration clock) finished it
  Stopped,               // STOP, Esc, LINE off
  InstrumentReport,      // the instrument stopped it and said why
  CommunicationFailure,  // a command or status query failed
};

// Why the EUT supply line was switched.
enum class LineCause {
  Operator,     // the LINE button
  LineWatch,    // the line watch found it off at the instrument
  FoundOn,      // the instrument was met with its line on
  Exit,         // the program ended with the line on
  NoAnswer,     // LINE was not answered; taken as off, it may still be on
};

// What happens in a run, as the run reports it. Each event is sent after
// the wire command it reports has gone out. The run does not know who
// listens; every handler does nothing unless overridden.
class RunEvents {
 public:
  virtual ~RunEvents() = default;
  // START reached the instrument (or the demonstration clock) with this unit.
  virtual void RunStarted(int32_t /*unitNumber*/, bool /*programRun*/) {}
  // A program run moved on to the unit at a step position.
  virtual void UnitStarted(int32_t /*unitNumber*/, int32_t /*position*/) {}
  // The running grid point changed; the sweep state holds its values.
  virtual void PointStarted(int32_t /*unitNumber*/) {}
  virtual void Paused() {}
  virtual void Resumed() {}
  // NEXT ended an endless phase.
  virtual void Next() {}
  virtual void SingleShot() {}
  virtual void LineSwitched(bool /*on*/, LineCause /*cause*/) {}
  // A run failed (how is InstrumentReport or CommunicationFailure), with the
  // text the operator was shown; the stop that follows comes as Stopped.
  // byOperator: the instrument's panel or stop input stopped it; code: the
  // instrument's error code, 0 when it gave none.
  virtual void Failed(RunEnd /*how*/, const std::string& /*text*/, bool /*byOperator*/,
                      int32_t /*code*/) {}
  // The run ended: "CB" went out and was accepted or not.
  virtual void Stopped(RunEnd /*how*/, bool /*stopAccepted*/) {}
};

}  // namespace hvt
