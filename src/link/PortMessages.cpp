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
      if (f.holder.empty() || f.holderPid <= 0) return LoadString(TextId::PortInUse);
      // "%s" the program, "%d" its PID: the number goes in first.
      return FormatText(FormatText(LoadString(TextId::PortInUseBy), std::to_string(f.holderPid)),
                        InCodePage(f.holder, codec));
    case OpenFailure::Kind::Forbidden:
      if (!f.group.empty())
        return FormatText(LoadString(TextId::PortForGroup), InCodePage(f.group, codec));
      if (!f.owner.empty())
        return FormatText(LoadString(TextId::PortForOwner), InCodePage(f.owner, codec));
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
      return LoadString(TextId::PortNoDevice);
    case CommPort::OpenStep::Device:
      return DeviceReason(failure, codec);
    case CommPort::OpenStep::LineSettings:
      return LoadString(TextId::PortLineSettings);
    case CommPort::OpenStep::ControlLines:
      return LoadString(TextId::PortControlLines);
  }
  return {};
}

std::string IdentificationFailureReason(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::None:
    case LinkFailure::NotFramed:  // never for the identification's fixed text
      return {};
    case LinkFailure::InputKeptComing:
      return LoadString(TextId::IdentifyInputKeptComing);
    case LinkFailure::NoAnswer:
      return LoadString(TextId::IdentifyNoAnswer);
    case LinkFailure::Refused:
      return LoadString(TextId::IdentifyRefused);
    case LinkFailure::AnswerBrokeOff:
      return LoadString(TextId::IdentifyBrokeOff);
    case LinkFailure::AnswerGarbled:
      return LoadString(TextId::IdentifyGarbled);
    case LinkFailure::WriteFailed:
      return LoadString(TextId::IdentifyWriteFailed);
  }
  return {};
}

std::string PortLine(const std::string& port, const std::string& reason) {
  return reason.empty() ? port : port + ": " + reason;
}

}  // namespace hvt
