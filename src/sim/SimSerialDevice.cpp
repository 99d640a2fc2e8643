#include "sim/SimSerialDevice.h"

#include <algorithm>

namespace hvt::sim {

SimSerialDevice::SimSerialDevice(Clock& clock, InstrumentOptions options)
    : clock(clock), instrument(std::move(options)), line(instrument), lastTick(clock.TickCount()) {}

int64_t SimSerialDevice::NowMs() {
  // The tick count wraps at 2^32 ms; the instrument wants a clock that
  // does not.
  const uint32_t tick = clock.TickCount();
  elapsedMs += static_cast<uint32_t>(tick - lastTick);
  lastTick = tick;
  return elapsedMs;
}

bool SimSerialDevice::Open(const std::string&) {
  if (open) return false;  // a port is opened exclusively
  open = true;
  return true;
}

bool SimSerialDevice::Close() {
  // Bytes still on their way are lost with the port, as on a real line.
  open = false;
  ready.clear();
  line.Output().clear();
  return true;
}

void SimSerialDevice::Deliver() {
  const int64_t now = NowMs();
  instrument.Advance(now);
  auto& output = line.Output();
  // Bytes leave in order: a delayed reply holds back what follows it.
  while (!output.empty() && output.front().notBeforeMs <= now) {
    if (open) ready.push_back(output.front().byte);
    output.pop_front();
  }
}

bool SimSerialDevice::Write(const uint8_t* data, size_t count, int) {
  if (!open) return false;
  Deliver();
  const int64_t now = elapsedMs;
  for (size_t i = 0; i < count; ++i) line.Receive(data[i], now);
  return true;
}

size_t SimSerialDevice::BytesPending() {
  Deliver();
  return ready.size();
}

int64_t SimSerialDevice::Read(uint8_t* buffer, size_t count) {
  if (!open) return -1;
  Deliver();
  size_t n = 0;
  while (n < count && !ready.empty()) {
    buffer[n++] = ready.front();
    ready.pop_front();
  }
  return static_cast<int64_t>(n);
}

bool SimSerialDevice::WaitForBytes(int timeoutMs) {
  Deliver();
  if (!ready.empty()) return true;
  if (!open || timeoutMs <= 0) return false;
  const int64_t deadline = elapsedMs + timeoutMs;
  auto& output = line.Output();
  const int64_t due = output.empty() ? deadline : std::min(deadline, output.front().notBeforeMs);
  if (due > elapsedMs) clock.Sleep(static_cast<uint32_t>(due - elapsedMs));
  Deliver();
  return !ready.empty();
}

}  // namespace hvt::sim
