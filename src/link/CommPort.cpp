#include "link/CommPort.h"

#include <algorithm>
#include <array>

#include "link/PortPaths.h"

namespace hvt {

CommPort::CommPort(SerialDevice& device, PathFn portPath)
    : device(device), portPath(std::move(portPath)) {}

CommPort::~CommPort() {
  if (open) Close();
}

void CommPort::SetLineFormat(int32_t newBaudRate, int32_t newByteSize, int32_t newParity,
                             int32_t newStopBits) {
  if (open) return;
  static constexpr std::array<int32_t, 13> kRates{
      110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
  baudRate =
      std::find(kRates.begin(), kRates.end(), newBaudRate) != kRates.end() ? newBaudRate : 9600;
  byteSize = (newByteSize >= 4 && newByteSize <= 8) ? newByteSize : 8;
  parity = (newParity >= 0 && newParity <= 4) ? newParity : 0;
  stopBits = (newStopBits >= 0 && newStopBits <= 2) ? newStopBits : 0;
}

bool CommPort::Open(int32_t n) {
  if (n < kFirstPort || n > kLastPort) n = 1;
  openStep = OpenStep::None;
  openFailure = {};
  const std::string path = DevicePath(n);
  if (path.empty()) {
    openStep = OpenStep::NoDevice;
    return false;
  }
  if (!device.Open(path)) {
    openStep = OpenStep::Device;
    openFailure = device.LastOpenFailure();
    return false;
  }
  open = true;
  currentPort = n;
  // From here a failed step leaves the device open until Close, as callers
  // always close before opening again.
  if (!device.SetQueueSizes(kQueueSize, kQueueSize) || !device.SetLineFormat(Format())) {
    openStep = OpenStep::LineSettings;
    return false;
  }
  // A pseudo-terminal has no modem-control lines; a real port must take them.
  if (device.SetDtr(true) == ControlLineResult::Failed ||
      device.SetRts(true) == ControlLineResult::Failed) {
    openStep = OpenStep::ControlLines;
    return false;
  }
  return true;
}

bool CommPort::Close() {
  if (!open) return false;
  // The instrument sees RTS fall before DTR.
  device.SetRts(false);
  device.SetDtr(false);
  open = false;
  return device.Close();
}

bool CommPort::Write(const uint8_t* data, size_t count) {
  return open && device.Write(data, count, kWriteTimeoutMs);
}

bool CommPort::Read(uint8_t* buffer, size_t count, size_t* got) {
  if (got != nullptr) *got = 0;
  if (!open) return false;
  const int64_t n = device.Read(buffer, count);
  if (n < 0) return false;
  if (got != nullptr) *got = static_cast<size_t>(n);
  return true;
}

int32_t CommPort::PendingCount() {
  if (!open) return 0;
  return static_cast<int32_t>(std::min<size_t>(device.BytesPending(), INT32_MAX));
}

bool CommPort::WaitForPending(int timeoutMs) { return open && device.WaitForBytes(timeoutMs); }

int32_t CommPort::ListPorts(std::string& text) {
  text.clear();
  const std::vector<int32_t> ports = OpenablePorts();
  for (int32_t n : ports) {
    if (!text.empty()) text += '/';
    text += "COM" + std::to_string(n);
  }
  return static_cast<int32_t>(ports.size());
}

std::vector<int32_t> CommPort::OpenablePorts() {
  std::vector<int32_t> ports;
  for (int32_t n = kFirstPort; n <= kLastPort; ++n) {
    if (DevicePath(n).empty()) continue;
    const bool opened = Open(n);
    // A port that opens but cannot be configured is closed again, not listed.
    if (open) Close();
    if (opened) ports.push_back(n);
  }
  return ports;
}

}  // namespace hvt
