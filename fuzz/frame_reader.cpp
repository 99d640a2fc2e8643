// The frame reader takes any byte stream: it must end in one outcome, keep
// within the answer length, and agree with the frame builder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "link/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  std::string text;
  size_t used = 0;
  const auto status = hvt::ReadFrame(bytes, text, &used);
  if (used > size) std::abort();
  if (status == hvt::FrameStatus::Complete) {
    if (text.size() > hvt::kMaxAnswerText) std::abort();
    // A frame that reads back must be the frame of its own text.
    const auto rebuilt = hvt::BuildFrame(text);
    if (text.size() <= hvt::kMaxSentText &&
        (rebuilt.size() != used || !std::equal(rebuilt.begin(), rebuilt.end(), data))) {
      std::abort();
    }
  }
  // Fed byte by byte, the incremental reader must agree.
  hvt::FrameReader reader;
  for (uint8_t b : bytes) reader.Feed(b);
  if (size > 0 && reader.Status() != status) std::abort();
  // Building from any text is safe and within the cap.
  const auto frame = hvt::BuildFrame(std::string_view(reinterpret_cast<const char*>(data), size));
  if (frame.size() > hvt::kMaxSentText + 3) std::abort();
  return 0;
}
