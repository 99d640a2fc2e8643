#pragma once

#include <string>

#include "link/CRsBasicProtocol.h"
#include "link/CommPort.h"
#include "link/SerialDevice.h"

namespace hvt {

class TextCodec;

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
