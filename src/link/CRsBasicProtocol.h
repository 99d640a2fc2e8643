#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/Clock.h"
#include "link/CommPort.h"

namespace hvt {

// Where the last transaction failed, for the operator's message.
enum class LinkFailure {
  None,
  InputKeptComing,  // the purge before ENQ never found the line quiet
  NoAnswer,         // nothing came within a byte's time-out
  Refused,          // a byte other than ACK came where ACK was due
  AnswerBrokeOff,   // the answer frame began and then stopped
  AnswerGarbled,    // no STX, too long, or a wrong block check
  WriteFailed,      // the port did not take a byte
  NotFramed,        // the text holds ETX and cannot go out
};

// One ENQ/ACK block transaction at a time: ENQ, ACK, STX text ETX BCC, then
// either ACK (set commands) or an answer frame that we acknowledge (queries).
// It knows nothing of what the texts mean.
class CRsBasicProtocol {
 public:
  // Every awaited byte gets this long, counted from the start of its wait.
  static constexpr uint32_t kByteTimeoutMs = 500;
  // A purge gives up when bytes keep arriving for this long.
  static constexpr uint32_t kPurgeLimitMs = 500;

  CRsBasicProtocol(SerialDevice& device, Clock& clock, CommPort::PathFn portPath);
  ~CRsBasicProtocol();
  CRsBasicProtocol(const CRsBasicProtocol&) = delete;
  CRsBasicProtocol& operator=(const CRsBasicProtocol&) = delete;

  // True when the instrument accepted the frame.
  bool SendCommand(std::string_view text);
  // True when an intact answer frame came and was acknowledged; the answer
  // is then in GetAnswer().
  bool Query(std::string_view text);
  std::string GetAnswer() const { return answer; }
  // Why the last SendCommand or Query returned false; None after a success.
  LinkFailure LastFailure() const { return failure; }

  bool OpenPort(int32_t n) { return port.Open(n); }
  void ClosePort() { port.Close(); }
  int32_t ListPorts(std::string& text) { return port.ListPorts(text); }

  CommPort& Port() { return port; }
  const CommPort& Port() const { return port; }
  // The frame last built for sending.
  const std::vector<uint8_t>& LastFrame() const { return frame; }

 private:
  bool PurgeInput();
  bool ReadByte(uint8_t& byte);
  bool WriteByte(uint8_t byte);
  // Purge, ENQ, ACK, frame: the part shared by both transactions.
  bool SendFrame(std::string_view text);
  bool Fail(LinkFailure why) {
    failure = why;
    return false;
  }

  CommPort port;
  Clock& clock;
  std::string answer;
  std::vector<uint8_t> frame;
  LinkFailure failure = LinkFailure::None;
};

}  // namespace hvt
