#include "link/PortMessages.h"

#include "link/Connection.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"

namespace hvt {

namespace {

std::string InCodePage(const std::string& utf8, const TextCodec& codec) {
  return codec.FromUtf8(utf8).value_or(utf8);
}

std::string DeviceReason(const OpenFailure& f, const TextCodec& codec) {
  switch (f.kind) {
    case OpenFailure::Kind::InUse:
      if (f.holder.empty() || f.holderPid <= 0) return LoadString(ids::kPortInUse);
      // "%s" the program, "%d" its PID: the number goes in first.
      return FormatText(FormatText(LoadString(ids::kPortInUseBy), std::to_string(f.holderPid)),
                        InCodePage(f.holder, codec));
    case OpenFailure::Kind::Forbidden:
      if (!f.group.empty())
        return FormatText(LoadString(ids::kPortForGroup), InCodePage(f.group, codec));
      if (!f.owner.empty())
        return FormatText(LoadString(ids::kPortForOwner), InCodePage(f.owner, codec));
      return InCodePage(f.reason, codec);
    case OpenFailure::Kind::Other:
      break;
  }
  return InCodePage(f.reason, codec);
}

}  // namespace

std::string OpenFailureReason(CommPort::OpenStep step, const OpenFailure& failure,
                              const TextCodec& codec) {
  switch (step) {
    case CommPort::OpenStep::None:
      return {};
    case CommPort::OpenStep::NoDevice:
      return LoadString(ids::kPortNoDevice);
    case CommPort::OpenStep::Device:
      return DeviceReason(failure, codec);
    case CommPort::OpenStep::LineSettings:
      return LoadString(ids::kPortLineSettings);
    case CommPort::OpenStep::ControlLines:
      return LoadString(ids::kPortControlLines);
  }
  return {};
}

std::string IdentificationFailureReason(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::None:
    case LinkFailure::NotFramed:  // never for the identification's fixed text
      return {};
    case LinkFailure::InputKeptComing:
      return LoadString(ids::kIdentifyInputKeptComing);
    case LinkFailure::NoAnswer:
      return LoadString(ids::kIdentifyNoAnswer);
    case LinkFailure::Refused:
      return LoadString(ids::kIdentifyRefused);
    case LinkFailure::AnswerBrokeOff:
      return LoadString(ids::kIdentifyBrokeOff);
    case LinkFailure::AnswerGarbled:
      return LoadString(ids::kIdentifyGarbled);
    case LinkFailure::WriteFailed:
      return LoadString(ids::kIdentifyWriteFailed);
  }
  return {};
}

std::string PortLine(const std::string& port, const std::string& reason) {
  return reason.empty() ? port : port + ": " + reason;
}

}  // namespace hvt
