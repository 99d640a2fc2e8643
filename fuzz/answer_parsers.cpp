// Every answer reader takes any text: values out, no crash, no huge
// allocation; and the simulator's reading of unit texts and wire bytes does
// the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sim/SimInstrument.h"
#include "sim/SimLine.h"
#include "link/Answers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!hvt::StatusFromAnswer(text).empty() && text.size() < 4) std::abort();
  const int32_t code = hvt::ErrorCodeFromAnswer(text);
  if (code < -1 || code > 8) std::abort();
  const uint8_t line = hvt::LineStateFromAnswer(text);
  if (line != 0 && line != 1 && line != 0xFF) std::abort();
  (void)hvt::TextAfterPrefix(text, 'E');
  if (const auto progress = hvt::ParseProgressAnswer(text)) {
    if (progress->unitChange != 0 && progress->unitChange != 1) std::abort();
    (void)hvt::ProgressInRange(*progress, 0, 800);
    (void)hvt::ProgressInRange(*progress, 1, 400);
  }
  (void)hvt::ParseConfigurationAnswer(text);
  (void)hvt::sim::ParseUnitConditions(text);

  // The same bytes on the simulator's wire, a millisecond apart.
  hvt::sim::InstrumentOptions options;
  options.identity = "AA";
  hvt::sim::SimInstrument instrument(options);
  hvt::sim::SimLine wire(instrument);
  int64_t now = 0;
  for (uint8_t b : text) {
    wire.Receive(b, now);
    instrument.Advance(now += 1);
    if (wire.Output().size() > 1024) wire.Output().clear();
  }
  return 0;
}
