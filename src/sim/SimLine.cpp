#include "sim/SimLine.h"

#include <algorithm>

#include "link/Frame.h"

namespace hvt::sim {

namespace {
// A transaction that stalls this long is forgotten.
constexpr int64_t kStaleMs = 1000;
// Longer texts than any command are noise.
constexpr size_t kMaxText = 300;
}  // namespace

void SimLine::Send(uint8_t byte, int64_t notBeforeMs) { output.push_back({notBeforeMs, byte}); }

void SimLine::SendStray(std::string_view bytes, int64_t nowMs) {
  for (char c : bytes) Send(static_cast<uint8_t>(c), nowMs);
}

void SimLine::ClearFaults() { nakEnq = ignoreEnq = badCheck = delayed = delayMs = 0; }

bool SimLine::EnqAckUnsent() const {
  return std::any_of(output.begin(), output.end(), [](const OutByte& o) { return o.enqAck; });
}

void SimLine::Receive(uint8_t byte, int64_t nowMs) {
  if (state != State::Idle && state != State::AwaitAck && nowMs - lastByteMs > kStaleMs) {
    state = State::Idle;
  }
  lastByteMs = nowMs;
  if (byte == kEnq && state != State::Text && state != State::Check) {
    // An ENQ always opens a new transaction, also after an answer that the
    // program did not acknowledge.
    state = State::Idle;
    if (ignoreEnq > 0) {
      --ignoreEnq;
      return;
    }
    if (nakEnq > 0) {
      --nakEnq;
      Send(kNak, nowMs);
      return;
    }
    output.push_back({nowMs, kAck, true});
    state = State::AwaitStx;
    return;
  }
  switch (state) {
    case State::Idle:
      break;  // stray bytes between transactions
    case State::AwaitAck:
      state = State::Idle;  // the program's ACK (or anything) ends it
      break;
    case State::AwaitStx:
      if (byte == kStx) {
        text.clear();
        check = 0;
        dropFrame = strict && EnqAckUnsent();
        state = State::Text;
      }
      break;
    case State::Text:
      check ^= byte;
      if (byte == kEtx) {
        state = State::Check;
      } else if (text.size() >= kMaxText) {
        state = State::Idle;
      } else {
        text.push_back(static_cast<char>(byte));
      }
      break;
    case State::Check:
      state = State::Idle;
      if (dropFrame) break;
      if (byte != check) {
        Send(kNak, nowMs);
        break;
      }
      Reply(instrument.Handle(text, nowMs), nowMs);
      break;
  }
}

void SimLine::Reply(const sim::Reply& reply, int64_t nowMs) {
  int64_t at = nowMs;
  if (delayed > 0) {
    --delayed;
    at += delayMs;
  }
  if (reply.kind == Reply::Ack) {
    Send(kAck, at);
    return;
  }
  if (reply.kind == Reply::Nak) {
    Send(kNak, at);
    return;
  }
  uint8_t bcc = kEtx;
  Send(kStx, at);
  for (char c : reply.answer) {
    Send(static_cast<uint8_t>(c), at);
    bcc ^= static_cast<uint8_t>(c);
  }
  Send(kEtx, at);
  if (badCheck > 0) {
    --badCheck;
    bcc ^= 0xFF;
  }
  Send(bcc, at);
  state = State::AwaitAck;
}

}  // namespace hvt::sim
