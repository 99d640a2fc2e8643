#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "sim/SimInstrument.h"

namespace hvt::sim {

// A byte for the wire, not to leave before notBeforeMs. Whoever writes the
// queue out keeps an unsent byte as it is, tag included.
struct OutByte {
  int64_t notBeforeMs = 0;
  uint8_t byte = 0;
  bool enqAck = false;  // the ACK that answers an ENQ
};

// The instrument's side of the ENQ/ACK procedure, with the line faults that
// tests ask for. Bytes in, bytes out; the caller owns the device and time.
class SimLine {
 public:
  explicit SimLine(SimInstrument& instrument) : instrument(instrument) {}

  void Receive(uint8_t byte, int64_t nowMs);
  std::deque<OutByte>& Output() { return output; }

  // Line faults, each for the next `count` occasions.
  void NakNextEnq(int count) { nakEnq = count; }
  void IgnoreNextEnq(int count) { ignoreEnq = count; }
  void CorruptNextAnswer(int count) { badCheck = count; }
  void DelayNextReply(int ms, int count) {
    delayMs = ms;
    delayed = count;
  }
  void SendStray(std::string_view bytes, int64_t nowMs);
  void ClearFaults();

  // A frame whose STX comes while the ACK of its ENQ is still in Output()
  // (the program did not wait for it) is dropped unanswered, as a real
  // instrument may do.
  void SetStrict(bool on) { strict = on; }

 private:
  enum class State { Idle, AwaitStx, Text, Check, AwaitAck };

  bool EnqAckUnsent() const;

  void Send(uint8_t byte, int64_t notBeforeMs);
  void Reply(const sim::Reply& reply, int64_t nowMs);

  SimInstrument& instrument;
  std::deque<OutByte> output;
  State state = State::Idle;
  std::string text;
  uint8_t check = 0;
  int64_t lastByteMs = 0;
  bool strict = false;
  bool dropFrame = false;  // the frame being read goes unanswered

  int nakEnq = 0;
  int ignoreEnq = 0;
  int badCheck = 0;
  int delayed = 0;
  int delayMs = 0;
};

}  // namespace hvt::sim
