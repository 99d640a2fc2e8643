#pragma once

#include <string>

namespace hvt {

class InstrumentCommands;

// What the instrument says it is doing, whoever started it: a program that
// was killed, or lost its PC, leaves a test running and the EUT line on.
struct InstrumentActivity {
  bool answered = false;  // a status answer came at all
  bool testRunning = false;
  bool lineOn = false;

  bool Busy() const { return testRunning || lineOn; }
};

// The "QG" status answer read as activity: bit 0 of character 2 is a
// running test, bit 1 of character 3 the EUT line. An empty or foreign
// answer is "not answered".
InstrumentActivity ActivityFromStatus(const std::string& answer);

// Asks "QG" (with its one retry).
InstrumentActivity ReadActivity(InstrumentCommands& commands);

// What happened when the instrument was told to stop.
struct StopResult {
  bool stopSent = false;     // "CB" was accepted
  bool lineOffSent = false;  // "PC0" was accepted
  InstrumentActivity after;  // "QG" asked afterwards
};

// "CB" and then "PC0", each with one retry, then "QG" once more. Both are
// always sent: an instrument reporting no test still takes "CB" harmlessly.
StopResult StopInstrument(InstrumentCommands& commands);

// The operator's text for a busy instrument: what it reports, one line for
// the test and one for the line ("" when it is not busy).
std::string BusyText(const InstrumentActivity& activity);

}  // namespace hvt
