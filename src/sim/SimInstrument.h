#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hvt::sim {

struct InstrumentOptions {
  std::string identity;  // the whole "QA" answer
  int maxVoltage = 410;  // 0.01 kV: 410 or 205
  int injectionUnitType = 3;
  bool triangle = true;
  bool terminator = true;  // answers "QO"
  // The seven pulse widths after the first (10 ns), in ns, multiples of 50.
  std::array<int, 7> widths{50, 100, 200, 400, 500, 800, 1000};
};

// The fifteen fields of a "PD" text.
struct UnitConditions {
  int sweepSelector = 0;  // bit 0 voltage swept, bit 1 trigger swept
  int voltage = 1;
  int voltageStop = 0;
  int voltageStep = 0;
  int trigger = 20;
  int triggerStop = 0;
  int triggerStep = 0;
  int order = 1;  // 0: voltage is the inner level, 1: the trigger is
  int widthIndex = 0;
  int option = 3;  // bit 3 negative, bit 2 1SHOT, bit 1 line option, bit 0 Variable
  int injectionLine = 0;
  int returnLine = 4;
  int injectionTime = 10000;  // 10000 Endless
  int intervalTime = 1;       // 1000 Endless
  int terminator = 1;

  bool VoltageSwept() const { return (sweepSelector & 1) != 0; }
  bool TriggerSwept() const { return (sweepSelector & 2) != 0; }
  bool OneShot() const { return (option & 4) != 0; }
};

// The parameters after "PD"; nullopt unless there are exactly fifteen
// decimal fields and the option character is one of "0" to "?".
std::optional<UnitConditions> ParseUnitConditions(std::string_view parameters);

// What the instrument gives back for one received frame.
struct Reply {
  enum Kind { Ack, Nak, Answer } kind = Ack;
  std::string answer;
};

// The instrument behind the wire: its test engine in real time (milliseconds
// from any monotonic origin), status bits, counters, configuration answers
// and the faults that its panel or its hardware can cause.
class SimInstrument {
 public:
  explicit SimInstrument(InstrumentOptions options);

  // One command text from a frame with a good block check.
  Reply Handle(std::string_view text, int64_t nowMs);
  // Runs the test clock up to now.
  void Advance(int64_t nowMs);
  // When Advance next has something to do; nullopt while no clock runs.
  std::optional<int64_t> NextEventMs() const;

  // Faults.
  void RaiseError(int code, int64_t nowMs);
  void PanelStop(int64_t nowMs);
  void ExternalStop(int64_t nowMs);
  void PanelLineOff(int64_t nowMs);

  // The answers of "QG" and "QH", also for the operator's eye.
  std::string StatusAnswer() const;
  std::string ProgressAnswer() const;

  bool Running() const { return running; }
  bool Paused() const { return paused; }
  bool LineOn() const { return lineOn; }
  int Shots() const { return shots; }
  int PresentVoltage() const { return voltage; }
  int PresentTrigger() const { return trigger; }

 private:
  enum class Phase { Injection, Interval };

  void StartTest(int64_t nowMs);
  void EndTest(bool stopped, bool external);
  void StartPoint();
  void OneSecond();
  void EndInjection();
  void EndInterval();
  bool HasNextPoint() const;
  // Steps the sweep to its next point; false when it wrapped (no point left).
  bool StepSweep(int& v, int& t) const;
  bool IntervalFollows() const;

  InstrumentOptions options;
  UnitConditions unit;
  std::optional<UnitConditions> pendingUnit;

  bool running = false;
  bool paused = false;
  bool stopped = false;
  bool externalStop = false;
  bool nextUnitRequest = false;
  int errorCode = 0;
  bool lineOn = false;
  int unitToggle = 0;

  Phase phase = Phase::Injection;
  int injectionLeft = 0;
  int intervalLeft = 0;
  int voltage = 0;  // present values
  int trigger = 0;
  int shots = 0;

  int64_t testSeconds = 0;
  int64_t digitBase = 0;
  int64_t nextSecondAt = 0;
  int64_t pausedRemainder = 0;
};

}  // namespace hvt::sim
