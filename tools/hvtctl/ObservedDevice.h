#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "link/SerialDevice.h"

namespace hvt {

// A serial device with a record of what happened on it, so that a failed
// start can say whether the device did not open or did not answer.
class ObservedDevice : public SerialDevice {
 public:
  // errorText gives the reason after a failed open, for the operator.
  ObservedDevice(SerialDevice& device, std::function<std::string()> errorText)
      : device(device), errorText(std::move(errorText)) {}

  bool Open(const std::string& path) override;
  bool IsOpen() const override { return device.IsOpen(); }
  OpenFailure LastOpenFailure() const override { return device.LastOpenFailure(); }
  bool Close() override { return device.Close(); }
  bool SetQueueSizes(size_t input, size_t output) override {
    return device.SetQueueSizes(input, output);
  }
  bool SetLineFormat(const LineFormat& format) override { return device.SetLineFormat(format); }
  ControlLineResult SetDtr(bool on) override { return device.SetDtr(on); }
  ControlLineResult SetRts(bool on) override { return device.SetRts(on); }
  bool Write(const uint8_t* data, size_t count, int timeoutMs) override {
    return device.Write(data, count, timeoutMs);
  }
  size_t BytesPending() override { return device.BytesPending(); }
  int64_t Read(uint8_t* buffer, size_t count) override;
  bool WaitForBytes(int timeoutMs) override { return device.WaitForBytes(timeoutMs); }

  std::string openedPath;
  bool opened = false;
  std::string openError;
  int64_t bytesReceived = 0;

 private:
  SerialDevice& device;
  std::function<std::string()> errorText;
};

// Why the instrument was not found, as one line on err after the prefix:
// the device did not open, did not answer within waitedMs, or answered
// garbage. Nothing when no device was tried.
void ReportNotFound(const ObservedDevice& device, const std::string& prefix, int64_t waitedMs,
                    std::ostream& err);

}  // namespace hvt
