#include "sim/SimLog.h"

#include <cstdio>

#include "link/Frame.h"

namespace hvt::sim {

namespace {

constexpr uint8_t kEot = 0x04;
// A frame whose text runs on this long without ETX is noise, not a frame.
constexpr size_t kLongestFrame = 300;

const char* ControlName(uint8_t byte) {
  switch (byte) {
    case kStx:
      return "<STX>";
    case kEtx:
      return "<ETX>";
    case kEot:
      return "<EOT>";
    case kEnq:
      return "<ENQ>";
    case kAck:
      return "<ACK>";
    case kNak:
      return "<NAK>";
    default:
      return nullptr;
  }
}

bool SingleByteFrame(uint8_t byte) {
  return byte == kEnq || byte == kAck || byte == kNak || byte == kEot;
}

}  // namespace

std::string FrameLog::FormatLine(double seconds, char direction, const std::vector<uint8_t>& bytes,
                                 bool framed) {
  char head[32];
  std::snprintf(head, sizeof head, "%12.6f %c", seconds, direction);
  std::string line = head;
  for (uint8_t b : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", b);
    line += hex;
  }
  line += " | ";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = bytes[i];
    // The block check is a number, never a control byte, even when its
    // value is one.
    const bool check = framed && i + 1 == bytes.size() && bytes.size() >= 3;
    if (const char* name = check ? nullptr : ControlName(b)) {
      line += name;
    } else {
      line += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    }
  }
  return line;
}

void FrameLog::Emit(Stream& s, bool framed) {
  if (!s.bytes.empty()) writeLine(FormatLine(s.lastSeconds, s.direction, s.bytes, framed));
  s.bytes.clear();
  s.state = State::Idle;
}

void FrameLog::Byte(char direction, uint8_t byte, double seconds) {
  Stream& s = Of(direction);
  switch (s.state) {
    case State::Text:
      s.bytes.push_back(byte);
      s.lastSeconds = seconds;
      if (byte == kEtx) {
        s.state = State::Check;
      } else if (s.bytes.size() >= kLongestFrame) {
        Emit(s, false);
      }
      return;
    case State::Check:
      s.bytes.push_back(byte);
      s.lastSeconds = seconds;
      Emit(s, true);
      return;
    case State::Stray:
      if (byte != kStx && !SingleByteFrame(byte) && s.bytes.size() < kLongestFrame) {
        s.bytes.push_back(byte);
        s.lastSeconds = seconds;
        return;
      }
      Emit(s, false);
      break;
    case State::Idle:
      break;
  }
  s.bytes.push_back(byte);
  s.lastSeconds = seconds;
  if (SingleByteFrame(byte)) {
    Emit(s, false);
  } else {
    s.state = byte == kStx ? State::Text : State::Stray;
  }
}

void FrameLog::EndBatch(char direction) {
  Stream& s = Of(direction);
  if (s.state == State::Stray) Emit(s, false);
}

void FrameLog::Flush() {
  Emit(in, false);
  Emit(out, false);
}

}  // namespace hvt::sim
