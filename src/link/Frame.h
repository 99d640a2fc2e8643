#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hvt {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kEnq = 0x05;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

// Longest text the program sends in one frame, and longest it accepts.
inline constexpr size_t kMaxSentText = 251;
inline constexpr size_t kMaxAnswerText = 254;

// Block check: exclusive-or of the text bytes and the ETX.
uint8_t BlockCheck(std::string_view text);

// STX, text, ETX, BCC. A text longer than 251 bytes is cut to its first 251.
// A text holding an ETX byte cannot be framed (the instrument would end the
// frame early): the result is empty.
std::vector<uint8_t> BuildFrame(std::string_view text);

enum class FrameStatus {
  NeedMore,  // the frame is not complete yet
  Complete,  // text() holds the frame's text
  NoStx,     // the first byte was not STX
  TooLong,   // a text byte beyond the longest accepted text
  BadCheck,  // the block check did not match
};

// Reads one frame byte by byte. It only looks at the bytes it is given, so
// the caller owns all waiting and time-outs. Once the frame is complete or
// refused, further bytes change nothing.
class FrameReader {
 public:
  explicit FrameReader(size_t maxText = kMaxAnswerText) : maxText(maxText) {}

  FrameStatus Feed(uint8_t byte);
  FrameStatus Status() const { return status; }
  const std::string& text() const { return body; }
  void Reset();

 private:
  enum class Stage { Start, Text, Check, Done };
  size_t maxText;
  Stage stage = Stage::Start;
  FrameStatus status = FrameStatus::NeedMore;
  uint8_t check = 0;
  std::string body;
};

// Feeds bytes until the frame completes or is refused; *used tells how many
// bytes were taken.
FrameStatus ReadFrame(std::span<const uint8_t> bytes, std::string& text, size_t* used = nullptr,
                      size_t maxText = kMaxAnswerText);

}  // namespace hvt
