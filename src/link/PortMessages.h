#pragma once

#include <string>

#include "link/CRsBasicProtocol.h"
#include "link/CommPort.h"
#include "link/SerialDevice.h"

namespace hvt {

class TextCodec;

// String IDs of the lines under "COM%d can not open." and "Communication
// error.": why the port did not open, and what failed in the identification.
namespace ids {
inline constexpr int kPortInUse = 6025;
inline constexpr int kPortInUseBy = 6026;
inline constexpr int kPortForGroup = 6027;
inline constexpr int kPortForOwner = 6028;
inline constexpr int kIdentifyNoAnswer = 6029;
inline constexpr int kIdentifyRefused = 6030;
inline constexpr int kIdentifyBrokeOff = 6031;
inline constexpr int kIdentifyGarbled = 6032;
inline constexpr int kIdentifyWriteFailed = 6033;
inline constexpr int kIdentifyInputKeptComing = 6034;
inline constexpr int kPortNoDevice = 6035;
inline constexpr int kPortLineSettings = 6036;
inline constexpr int kPortControlLines = 6037;
}  // namespace ids

// Why the port did not open, in the string table's code page: the system's
// reason, or "in use by another program" (naming it when the system does),
// or who may open it. The system's texts (UTF-8) are converted with codec.
// Empty when nothing is known.
std::string OpenFailureReason(CommPort::OpenStep step, const OpenFailure& failure,
                              const TextCodec& codec);

// What went wrong with the identification query; empty for None.
std::string IdentificationFailureReason(LinkFailure failure);

// "COM5 (/dev/ttyUSB4): reason", or just the port when there is no reason.
std::string PortLine(const std::string& port, const std::string& reason);

}  // namespace hvt
