#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hvt::sim {

// The --log file: one line per frame instead of one per byte, so that an
// operator can read a session. A line is the time the frame's last byte
// passed (seconds), the direction ('<' from the program, '>' to it), the
// bytes in hex, and after " | " the same bytes as text, with the protocol's
// control bytes by name and other unprintable bytes as '.':
//
//    1.204518 < 02 51 41 03 13 | <STX>QA<ETX>.
//
// ENQ, ACK, NAK and EOT are frames of their own. Bytes outside any frame
// (line noise) are gathered into one line until a frame or a control byte
// begins, or until the caller ends the batch they came in.
class FrameLog {
 public:
  explicit FrameLog(std::function<void(const std::string&)> writeLine)
      : writeLine(std::move(writeLine)) {}

  void Byte(char direction, uint8_t byte, double seconds);
  // The bytes of one read or write are over: stray bytes are written out.
  void EndBatch(char direction);
  // Writes out whatever is pending, frames cut short included.
  void Flush();

  static std::string FormatLine(double seconds, char direction, const std::vector<uint8_t>& bytes,
                                bool framed);

 private:
  enum class State { Idle, Stray, Text, Check };
  struct Stream {
    explicit Stream(char direction) : direction(direction) {}
    char direction;
    State state = State::Idle;
    std::vector<uint8_t> bytes;
    double lastSeconds = 0;
  };

  Stream& Of(char direction) { return direction == '>' ? out : in; }
  void Emit(Stream& s, bool framed);

  std::function<void(const std::string&)> writeLine;
  Stream in{'<'};
  Stream out{'>'};
};

}  // namespace hvt::sim
