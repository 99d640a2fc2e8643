#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "model/SweepPoint.h"
#include "model/TextId.h"

namespace hvt {

class CPELKDoc;
class CRsBasicProtocol;

// What the commands need to know of the rest of the view. Each hook may be
// left empty; the defaults then come from the unit itself.
struct CommandHooks {
  std::function<bool()> oneShotMode;        // the run's 1SHOT MODE switch (default off)
  std::function<int32_t()> testModeTab;     // tab of the form's working copy (default: unit's)
  std::function<int32_t()> voltageLimit;    // the form's current limit (default: the unit's)
  std::function<int32_t()> workingVoltage;  // the working copy's voltage (default: the unit's)
  // Called just before "PI" goes out: the instrument restarts its seconds
  // digit, so the run forgets the last one it saw.
  std::function<void()> secondDigitRestarted;
};

// What the instrument may be doing because of what this program sent: set
// before START or a line-on goes out (it may take effect even when its
// acknowledgement is lost), cleared only when a stop or a line-off was
// accepted. A program that ends abruptly stops what this says, and no more.
struct Exposure {
  bool testMayRun = false;
  bool lineMayBeOn = false;
  bool operator==(const Exposure&) const = default;
};

// Every command text the program sends to the instrument, and the reading
// of every answer. Builds texts from the document, sends them through the
// one protocol object, and turns answers into values.
class InstrumentCommands {
 public:
  InstrumentCommands(CPELKDoc& doc, CRsBasicProtocol& protocol, CommandHooks hooks = {});

  bool SendStart();
  bool SendStop();
  bool SendTrigger();
  bool SendLine(bool on);
  // "CB" when a test may run and "PC0" when the line may be on, each with
  // one retry: the way out of a program that cannot go on. True when
  // nothing is left exposed.
  bool StopExposed();
  bool SendPause(bool pause);
  bool SendStepCode(int32_t number);
  bool SendUnit(int unitNumber);
  // The "PD" text of a unit; empty for a unit number outside 1..50.
  std::string BuildUnitText(int unitNumber) const;
  // UPDATE: the unit's voltage and/or trigger value, unless they are swept.
  // Each value the instrument took is written into point; the sweep keeps
  // the point.
  bool SendLevels(int unitNumber, SweepPoint& point);

  std::string QueryStatus();
  int32_t QueryErrorCode();
  uint8_t QueryLineState();
  std::string QueryVoltage();
  std::string QueryTriggerValue();
  bool QueryProgress(int unitNumber, int32_t& injectionCount, int32_t& intervalCount,
                     SweepPoint& point, int32_t& unitChange, int32_t& secondsDigit);
  // A query with its one retry, given by string-table ID: the answer when
  // it came and carries the expected prefix.
  std::optional<std::string> QueryWithRetry(TextId codeId);

  const Exposure& exposure() const { return exposed; }
  // What the instrument itself reported after a connection: a test or line
  // found on counts as if this program had started it, an idle instrument
  // has nothing left to stop.
  void TakeFound(bool testRunning, bool lineOn);
  // Told at every change, e.g. to the crash handlers' copy.
  std::function<void(const Exposure&)> exposureChanged;

 private:
  void Expose(Exposure next);
  bool SendSet(TextId codeId, const std::string& parameters);

  CPELKDoc& doc;
  CRsBasicProtocol& protocol;
  CommandHooks hooks;
  Exposure exposed;
};

}  // namespace hvt
