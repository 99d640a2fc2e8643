#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hvt {

// Line settings as the port keeps them: parity 0 none, 1 odd, 2 even,
// 3 mark, 4 space; stop bits 0 one, 1 one and a half, 2 two.
struct LineFormat {
  int32_t baudRate = 9600;
  int32_t byteSize = 8;
  int32_t parity = 0;
  int32_t stopBits = 0;

  bool operator==(const LineFormat&) const = default;
};

// Outcome of setting a modem-control line. A pseudo-terminal has no such
// lines, which is not an error for us; a real port that refuses is.
enum class ControlLineResult { Set, NotSupported, Failed };

// Why the last open of a device failed, as far as the system tells. "In
// use" and "not allowed" look alike to the serial library (both are a
// permission error there); the device tells them apart by the port's lock.
struct OpenFailure {
  enum class Kind { Other, InUse, Forbidden };
  Kind kind = Kind::Other;
  // The system's reason, UTF-8 ("No such file or directory"); may be empty.
  std::string reason;
  // InUse: the program holding the port, when the system names it.
  std::string holder;
  int64_t holderPid = 0;
  // Forbidden: the device's group when its members may open it, else its
  // owner (only the owner may).
  std::string group;
  std::string owner;
};

// A serial device, opened by path. All calls are synchronous; the waits
// block on the device (no busy loop) until a byte arrives or the time-out
// ends.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens for reading and writing, exclusively.
  virtual bool Open(const std::string& path) = 0;
  virtual bool IsOpen() const = 0;
  // After a failed Open.
  virtual OpenFailure LastOpenFailure() const { return {}; }
  virtual bool Close() = 0;

  virtual bool SetQueueSizes(size_t input, size_t output) = 0;
  // Applies the line format with no hardware or software flow control.
  virtual bool SetLineFormat(const LineFormat& format) = 0;
  virtual ControlLineResult SetDtr(bool on) = 0;
  virtual ControlLineResult SetRts(bool on) = 0;

  // True only when every byte left within the time-out.
  virtual bool Write(const uint8_t* data, size_t count, int timeoutMs) = 0;
  // Received bytes waiting to be read; never blocks.
  virtual size_t BytesPending() = 0;
  // Reads at most count waiting bytes without blocking; -1 on a device error.
  virtual int64_t Read(uint8_t* buffer, size_t count) = 0;
  // Blocks until at least one byte is waiting or timeoutMs has passed.
  virtual bool WaitForBytes(int timeoutMs) = 0;
};

}  // namespace hvt
