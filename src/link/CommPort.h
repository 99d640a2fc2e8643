#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/SerialDevice.h"

namespace hvt {

// The one RS-232 port of the instrument link: opens a numbered COM port with
// the instrument's fixed line settings, moves bytes, and lists the ports
// that can be opened. No framing and no timing policy live here.
class CommPort {
 public:
  // Maps a port number to a device path; an empty path means no device.
  using PathFn = std::function<std::string(int)>;

  static constexpr size_t kQueueSize = 2000;
  static constexpr int kWriteTimeoutMs = 500;

  CommPort(SerialDevice& device, PathFn portPath);
  ~CommPort();
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;

  // Takes effect at the next Open; ignored while open. Values the line
  // cannot use fall back to 9600 bit/s, 8 data bits, no parity, one stop bit.
  void SetLineFormat(int32_t baudRate, int32_t byteSize, int32_t parity, int32_t stopBits);
  bool Open(int32_t n);
  // Where the last Open failed.
  enum class OpenStep { None, NoDevice, Device, LineSettings, ControlLines };
  OpenStep LastOpenStep() const { return openStep; }
  // The device's own account when the step is Device.
  OpenFailure LastOpenFailure() const { return openFailure; }
  // Drops RTS, then DTR, then closes. False when already closed.
  bool Close();
  bool Write(const uint8_t* data, size_t count);
  // Reads at most count bytes that have already arrived; never waits. The
  // number read goes to *got when given.
  bool Read(uint8_t* buffer, size_t count, size_t* got = nullptr);
  int32_t PendingCount();
  // Blocks until a byte is pending or timeoutMs has passed (the protocol's
  // per-byte wait).
  bool WaitForPending(int timeoutMs);
  // Every port 1..257 that Open accepts, as "COM1/COM3"; returns the count.
  int32_t ListPorts(std::string& text);
  // The same ports by number, in order.
  std::vector<int32_t> OpenablePorts();

  bool IsOpen() const { return open; }
  int32_t CurrentPort() const { return currentPort; }
  LineFormat Format() const { return {baudRate, byteSize, parity, stopBits}; }
  std::string DevicePath(int32_t n) const { return portPath ? portPath(n) : std::string(); }

 private:
  SerialDevice& device;
  PathFn portPath;
  bool open = false;
  OpenStep openStep = OpenStep::None;
  OpenFailure openFailure;
  int32_t currentPort = 1;
  int32_t baudRate = 9600;
  int32_t byteSize = 8;
  int32_t parity = 0;
  int32_t stopBits = 0;
};

}  // namespace hvt
