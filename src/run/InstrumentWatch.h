#pragma once

#include <cstdint>
#include <string>

#include "link/InstrumentActivity.h"
#include "ports/Prompter.h"

namespace hvt {

struct RunWiring;

// A test this program did not start is watched on its own timer.
inline constexpr int kLeftTestTimer = 4;
inline constexpr unsigned kLeftTestMs = 1000;

// The instrument as this program found it, and the warning that stands in
// the status bar's warning pane while the operator must know something the
// form does not show.
//
// A program that was killed, or lost its PC, leaves the instrument running
// a test or with the EUT line on; the next start must not show the form as
// if nothing ran.
class InstrumentWatch {
 public:
  explicit InstrumentWatch(RunWiring& with) : with(with) {}

  // After a successful identification with an instrument (never in
  // demonstration mode): "QG" once. A busy instrument is said in one box;
  // its default answer stops it ("CB", "PC0"), the other leaves it as it
  // is: a line that is on puts the program in LineOn as LINE does, a test
  // is watched with "QG" every second while START stays grayed. An idle
  // instrument clears a warning that said it might still inject.
  void CheckAfterConnect(Owner owner = Owner::MainWindow);
  // The link failed while a test or the line was live and the program went
  // to demonstration mode: the instrument may still inject, and says so
  // until a new connection finds it stopped.
  void WarnMayStillInject();
  // A run's "CB" went out or failed: a failed one leaves the instrument
  // perhaps injecting; an accepted one with no line left on ends that doubt.
  void NoteStop(bool accepted);

  void OnTimer(int id);

  // A test this program did not start runs on the instrument.
  bool LeftTestRunning() const { return leftTest != 0; }
  const std::string& Warning() const { return warning; }

  // Answers "stop it" to the box that is up, for a program told to end
  // while the box waits. Set by the desktop program around the box.
  bool boxShown = false;

 private:
  void StopFound(const InstrumentActivity& found);
  void LeaveFound(const InstrumentActivity& found);
  void SetWarning(std::string text);

  RunWiring& with;
  int32_t leftTest = 0;
  std::string warning;
};

}  // namespace hvt
