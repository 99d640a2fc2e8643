#include "platform/QtSerialDevice.h"

#include <QDeadlineTimer>

#ifndef _WIN32
#include "os/SerialPortHolder.h"
#endif

namespace hvt {

QtSerialDevice::~QtSerialDevice() {
  if (port.isOpen()) port.close();
  Tell(-1);
}

void QtSerialDevice::Tell(int fd) {
  if (onDescriptor) onDescriptor(fd);
}

bool QtSerialDevice::Open(const std::string& path) {
  if (port.isOpen()) {
    Tell(-1);
    port.close();
  }
  openFailure = {};
  port.setPortName(QString::fromStdString(path));
  if (!port.open(QIODevice::ReadWrite)) {
    openFailure = Diagnose(path);
    return false;
  }
#ifndef _WIN32
  Tell(static_cast<int>(port.handle()));
#endif
  return true;
}

OpenFailure QtSerialDevice::Diagnose(const std::string& path) const {
  OpenFailure failure;
  failure.reason = port.errorString().toStdString();
  if (port.error() == QSerialPort::DeviceNotFoundError) return failure;
#ifndef _WIN32
  // Qt says "permission error" both for a port another program holds and
  // for a device this user may not open; the lock tells which.
  if (const os::PortHolder holder = os::FindPortHolder(path); holder.found) {
    failure.kind = OpenFailure::Kind::InUse;
    failure.holder = holder.program;
    failure.holderPid = holder.pid;
    return failure;
  }
  if (const os::DeviceAccess access = os::CheckDeviceAccess(path); access.denied) {
    failure.kind = OpenFailure::Kind::Forbidden;
    if (access.groupMayOpen) {
      failure.group = access.group;
    } else {
      failure.owner = access.owner;
    }
    return failure;
  }
  if (const std::string stuck = os::StuckLockFile(path, os::DefaultLockFolders()); !stuck.empty())
    failure.reason += " (" + stuck + ")";
#else
  // Windows opens a COM port for one program only: access denied means
  // another one has it.
  if (port.error() == QSerialPort::PermissionError) failure.kind = OpenFailure::Kind::InUse;
#endif
  return failure;
}

bool QtSerialDevice::IsOpen() const { return port.isOpen(); }

bool QtSerialDevice::Close() {
  if (!port.isOpen()) return false;
  Tell(-1);
  port.close();
  return port.error() == QSerialPort::NoError;
}

bool QtSerialDevice::SetQueueSizes(size_t input, size_t /*output*/) {
  // The output side has no queue of its own here: writes wait until the
  // driver took every byte.
  port.setReadBufferSize(static_cast<qint64>(input));
  return true;
}

bool QtSerialDevice::SetLineFormat(const LineFormat& format) {
  static const QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                  QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                  QSerialPort::SpaceParity};
  static const QSerialPort::StopBits kStops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                 QSerialPort::TwoStop};
  if (format.parity < 0 || format.parity > 4 || format.stopBits < 0 || format.stopBits > 2 ||
      format.byteSize < 5 || format.byteSize > 8) {
    return false;
  }
  return port.setBaudRate(format.baudRate) &&
         port.setDataBits(static_cast<QSerialPort::DataBits>(format.byteSize)) &&
         port.setParity(kParities[format.parity]) && port.setStopBits(kStops[format.stopBits]) &&
         port.setFlowControl(QSerialPort::NoFlowControl);
}

ControlLineResult QtSerialDevice::ControlResult(bool ok) {
  if (ok) return ControlLineResult::Set;
  // A pseudo-terminal answers "inappropriate ioctl": it has no such line.
  const bool unsupported = port.error() == QSerialPort::UnsupportedOperationError;
  port.clearError();
  return unsupported ? ControlLineResult::NotSupported : ControlLineResult::Failed;
}

ControlLineResult QtSerialDevice::SetDtr(bool on) {
  return ControlResult(port.setDataTerminalReady(on));
}

ControlLineResult QtSerialDevice::SetRts(bool on) {
  return ControlResult(port.setRequestToSend(on));
}

bool QtSerialDevice::Write(const uint8_t* data, size_t count, int timeoutMs) {
  if (!port.isOpen()) return false;
  const qint64 queued = port.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count));
  if (queued != static_cast<qint64>(count)) return false;
  QDeadlineTimer deadline(timeoutMs);
  while (port.bytesToWrite() > 0) {
    if (deadline.hasExpired() ||
        !port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
      port.clearError();
      return port.bytesToWrite() == 0;
    }
  }
  return true;
}

size_t QtSerialDevice::BytesPending() {
  if (!port.isOpen()) return 0;
  // Without an event loop the port only learns of new bytes when asked:
  // a zero wait takes in what the driver holds. While bytes are buffered the
  // count is already non-zero, and the extra system call is saved.
  if (port.bytesAvailable() == 0 && !port.waitForReadyRead(0)) port.clearError();
  return static_cast<size_t>(port.bytesAvailable());
}

int64_t QtSerialDevice::Read(uint8_t* buffer, size_t count) {
  if (!port.isOpen()) return -1;
  return port.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(count));
}

bool QtSerialDevice::WaitForBytes(int timeoutMs) {
  if (!port.isOpen()) return false;
  if (port.bytesAvailable() > 0) return true;
  if (!port.waitForReadyRead(timeoutMs)) port.clearError();
  return port.bytesAvailable() > 0;
}

std::string QtSerialDevice::ErrorText() const { return port.errorString().toStdString(); }

}  // namespace hvt
