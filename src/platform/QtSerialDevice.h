#pragma once

#include <QSerialPort>
#include <functional>

#include "link/SerialDevice.h"

namespace hvt {

// The serial device on QSerialPort, used without an event loop: every wait
// blocks in the port's own poll with a time-out.
class QtSerialDevice : public SerialDevice {
 public:
  QtSerialDevice() = default;
  ~QtSerialDevice() override;

  bool Open(const std::string& path) override;
  bool IsOpen() const override;
  OpenFailure LastOpenFailure() const override { return openFailure; }
  bool Close() override;
  bool SetQueueSizes(size_t input, size_t output) override;
  bool SetLineFormat(const LineFormat& format) override;
  ControlLineResult SetDtr(bool on) override;
  ControlLineResult SetRts(bool on) override;
  bool Write(const uint8_t* data, size_t count, int timeoutMs) override;
  size_t BytesPending() override;
  int64_t Read(uint8_t* buffer, size_t count) override;
  bool WaitForBytes(int timeoutMs) override;

  // The last error text of the port, for diagnostics.
  std::string ErrorText() const;

  // Told the native descriptor after every open and -1 before every close,
  // for code that must reach the port without Qt (a crash handler).
  std::function<void(int fd)> onDescriptor;

 private:
  void Tell(int fd);
  ControlLineResult ControlResult(bool ok);
  // Why the open of path failed: Qt's reason, and the port's lock and
  // permission bits for what Qt calls a permission error.
  OpenFailure Diagnose(const std::string& path) const;

  QSerialPort port;
  OpenFailure openFailure;
};

}  // namespace hvt
