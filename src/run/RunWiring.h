#pragma once

#include "form/FormWiring.h"
#include "link/Clock.h"
#include "link/Connection.h"
#include "link/InstrumentCommands.h"
#include "ports/RunEvents.h"
#include "run/FormHost.h"
#include "run/InstrumentWatch.h"
#include "run/RunControl.h"
#include "run/RunEnabling.h"
#include "run/RunState.h"
#include "run/SequenceControl.h"
#include "run/SweepControl.h"

namespace hvt {


// The run's parts and what they use, handed to each part by the view. The
// states are read-only here: each has one owner, which gets its own
// writable reference besides.
struct RunWiring {
  CPELKDoc& doc;
  FormControls& form;
  Clock& clock;
  TimerHost& timers;
  Prompter& prompter;
  InstrumentCommands& commands;
  Connection& connection;
  FormHost& host;
  RunEvents& events;
  const FormState& formState;
  const RunStatus& status;
  const SweepState& sweepState;
  const SequenceState& sequenceState;
  RunControl& run;
  SweepControl& sweep;
  SequenceControl& sequence;
  RunEnabling& enabling;
  InstrumentWatch& watch;
};

}  // namespace hvt
