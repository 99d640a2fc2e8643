#include "link/CRsBasicProtocol.h"

#include <array>

#include "link/Frame.h"

namespace hvt {

CRsBasicProtocol::CRsBasicProtocol(SerialDevice& device, Clock& clock, CommPort::PathFn portPath)
    : port(device, std::move(portPath)), clock(clock) {
  port.SetLineFormat(9600, 8, 0, 0);
}

CRsBasicProtocol::~CRsBasicProtocol() { port.Close(); }

bool CRsBasicProtocol::PurgeInput() {
  const uint32_t t0 = clock.TickCount();
  std::array<uint8_t, 255> scratch{};
  uint32_t elapsed = 0;
  int32_t pending = port.PendingCount();
  while (elapsed <= kPurgeLimitMs && pending > 0) {
    if (!port.Read(scratch.data(), scratch.size())) return false;
    pending = port.PendingCount();
    elapsed = clock.TickCount() - t0;
  }
  return pending == 0;
}

bool CRsBasicProtocol::ReadByte(uint8_t& byte) {
  byte = 0;
  const uint32_t t0 = clock.TickCount();
  for (;;) {
    const uint32_t elapsed = clock.TickCount() - t0;
    if (elapsed >= kByteTimeoutMs) return false;
    // Sleeps in the device until a byte comes (at once when one is there);
    // the loop re-checks the time because a wake-up need not bring a byte.
    if (port.WaitForPending(static_cast<int>(kByteTimeoutMs - elapsed)) &&
        port.PendingCount() > 0) {
      size_t got = 0;
      return port.Read(&byte, 1, &got) && got == 1;
    }
  }
}

bool CRsBasicProtocol::WriteByte(uint8_t byte) { return port.Write(&byte, 1); }

bool CRsBasicProtocol::SendFrame(std::string_view text) {
  failure = LinkFailure::None;
  frame = BuildFrame(text);
  if (frame.empty()) return Fail(LinkFailure::NotFramed);
  if (!PurgeInput()) return Fail(LinkFailure::InputKeptComing);
  if (!WriteByte(kEnq)) return Fail(LinkFailure::WriteFailed);
  uint8_t reply = 0;
  if (!ReadByte(reply)) return Fail(LinkFailure::NoAnswer);
  if (reply != kAck) return Fail(LinkFailure::Refused);
  if (!port.Write(frame.data(), frame.size())) return Fail(LinkFailure::WriteFailed);
  return true;
}

bool CRsBasicProtocol::SendCommand(std::string_view text) {
  if (!SendFrame(text)) return false;
  uint8_t reply = 0;
  if (!ReadByte(reply)) return Fail(LinkFailure::NoAnswer);
  if (reply != kAck) return Fail(LinkFailure::Refused);
  return true;
}

bool CRsBasicProtocol::Query(std::string_view text) {
  answer.clear();
  if (!SendFrame(text)) return false;
  FrameReader reader(kMaxAnswerText);
  FrameStatus status = FrameStatus::NeedMore;
  bool begun = false;
  while (status == FrameStatus::NeedMore) {
    uint8_t byte = 0;
    if (!ReadByte(byte)) return Fail(begun ? LinkFailure::AnswerBrokeOff : LinkFailure::NoAnswer);
    // The instrument turns down a query it does not take with NAK.
    if (!begun && byte == kNak) return Fail(LinkFailure::Refused);
    begun = true;
    status = reader.Feed(byte);
  }
  // A bad answer is not refused on the wire: the caller just asks again.
  if (status != FrameStatus::Complete) return Fail(LinkFailure::AnswerGarbled);
  answer = reader.text();
  if (!WriteByte(kAck)) return Fail(LinkFailure::WriteFailed);
  return true;
}

}  // namespace hvt
