#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "sim/SimInstrument.h"
#include "sim/SimLine.h"
#include "link/Clock.h"
#include "link/SerialDevice.h"

namespace hvt::sim {

// The simulated instrument as a serial device inside the program: no
// pseudo-terminal, no second process. Every call first runs the
// instrument's test clock up to the present, so a test started on it keeps
// time with the Clock it is given (real time in the desktop program,
// virtual time in tests). Waits sleep on that Clock until a reply is due.
class SimSerialDevice : public SerialDevice {
 public:
  SimSerialDevice(Clock& clock, InstrumentOptions options);

  SimInstrument& Instrument() { return instrument; }
  // The instrument's side of the line, for faults.
  SimLine& Line() { return line; }
  // The instrument's clock in milliseconds, as the device has moved it.
  int64_t NowMs();

  bool Open(const std::string& path) override;
  bool IsOpen() const override { return open; }
  bool Close() override;
  bool SetQueueSizes(size_t, size_t) override { return true; }
  bool SetLineFormat(const LineFormat&) override { return true; }
  ControlLineResult SetDtr(bool) override { return ControlLineResult::Set; }
  ControlLineResult SetRts(bool) override { return ControlLineResult::Set; }
  bool Write(const uint8_t* data, size_t count, int timeoutMs) override;
  size_t BytesPending() override;
  int64_t Read(uint8_t* buffer, size_t count) override;
  bool WaitForBytes(int timeoutMs) override;

 private:
  // Moves the bytes whose time has come from the line to the read queue.
  void Deliver();

  Clock& clock;
  SimInstrument instrument;
  SimLine line;
  std::deque<uint8_t> ready;
  bool open = false;
  uint32_t lastTick = 0;
  int64_t elapsedMs = 0;
};

}  // namespace hvt::sim
