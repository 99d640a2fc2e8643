#include "link/Frame.h"

namespace hvt {

uint8_t BlockCheck(std::string_view text) {
  uint8_t check = 0;
  for (char c : text) check ^= static_cast<uint8_t>(c);
  return static_cast<uint8_t>(check ^ kEtx);
}

std::vector<uint8_t> BuildFrame(std::string_view text) {
  if (text.size() > kMaxSentText) text = text.substr(0, kMaxSentText);
  if (text.find(static_cast<char>(kEtx)) != std::string_view::npos) return {};
  std::vector<uint8_t> frame;
  frame.reserve(text.size() + 3);
  frame.push_back(kStx);
  frame.insert(frame.end(), text.begin(), text.end());
  frame.push_back(kEtx);
  frame.push_back(BlockCheck(text));
  return frame;
}

FrameStatus FrameReader::Feed(uint8_t byte) {
  switch (stage) {
    case Stage::Start:
      if (byte != kStx) {
        stage = Stage::Done;
        return status = FrameStatus::NoStx;
      }
      stage = Stage::Text;
      return status;
    case Stage::Text:
      if (byte == kEtx) {
        check ^= byte;
        stage = Stage::Check;
        return status;
      }
      if (body.size() >= maxText) {
        stage = Stage::Done;
        return status = FrameStatus::TooLong;
      }
      body.push_back(static_cast<char>(byte));
      check ^= byte;
      return status;
    case Stage::Check:
      stage = Stage::Done;
      return status = (byte == check) ? FrameStatus::Complete : FrameStatus::BadCheck;
    case Stage::Done:
      break;
  }
  return status;
}

void FrameReader::Reset() {
  stage = Stage::Start;
  status = FrameStatus::NeedMore;
  check = 0;
  body.clear();
}

FrameStatus ReadFrame(std::span<const uint8_t> bytes, std::string& text, size_t* used,
                      size_t maxText) {
  FrameReader reader(maxText);
  size_t n = 0;
  FrameStatus status = FrameStatus::NeedMore;
  while (n < bytes.size() && status == FrameStatus::NeedMore) status = reader.Feed(bytes[n++]);
  if (used != nullptr) *used = n;
  text = status == FrameStatus::Complete ? reader.text() : std::string();
  return status;
}

}  // namespace hvt
