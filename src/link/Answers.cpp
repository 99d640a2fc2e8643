#include "link/Answers.h"

#include "model/Settings.h"

namespace hvt {

namespace {

bool HasPrefix(std::string_view answer, char letter) {
  return answer.size() >= 2 && answer[0] == 'A' && answer[1] == letter;
}

// Text at and after pos, safe for any pos.
std::string_view Tail(std::string_view text, size_t pos) {
  return pos < text.size() ? text.substr(pos) : std::string_view();
}

}  // namespace

std::string StatusFromAnswer(std::string_view answer) {
  if (!HasPrefix(answer, 'G') || answer.size() < 4) return {};
  return std::string(answer);
}

int32_t ErrorCodeFromAnswer(std::string_view answer) {
  if (!HasPrefix(answer, 'N')) return -1;
  const int32_t code = DecimalValue(answer.substr(2));
  return (code < -1 || code > 8) ? -1 : code;
}

uint8_t LineStateFromAnswer(std::string_view answer) {
  if (!HasPrefix(answer, 'C')) return 0xFF;
  return (answer.size() > 2 && answer[2] == '1') ? 1 : 0;
}

std::optional<std::string> TextAfterPrefix(std::string_view answer, char letter) {
  if (!HasPrefix(answer, letter)) return std::nullopt;
  return std::string(answer.substr(2));
}

std::optional<ProgressAnswer> ParseProgressAnswer(std::string_view answer) {
  if (!HasPrefix(answer, 'H')) return std::nullopt;
  // Field k runs from starts[k] to the next separator; npos marks a start
  // that does not exist because an earlier separator is missing.
  size_t starts[6];
  size_t ends[6];
  starts[0] = 2;
  bool complete = true;
  for (int k = 0; k < 6; ++k) {
    if (k > 0) {
      starts[k] =
          (ends[k - 1] == std::string_view::npos) ? std::string_view::npos : ends[k - 1] + 1;
    }
    if (k == 5 || starts[k] == std::string_view::npos) {
      ends[k] = std::string_view::npos;
    } else {
      ends[k] = answer.find('/', starts[k]);
      if (ends[k] == std::string_view::npos) complete = false;
    }
  }
  auto field = [&](int k) -> int32_t {
    if (starts[k] == std::string_view::npos) return 0;
    std::string_view text = Tail(answer, starts[k]);
    if (ends[k] != std::string_view::npos) text = text.substr(0, ends[k] - starts[k]);
    return DecimalValue(text);
  };
  ProgressAnswer progress;
  progress.injectionCount = field(0);
  progress.intervalCount = field(1);
  progress.voltage = field(2);
  progress.triggerValue = field(3);
  progress.unitChange = field(4) == 1 ? 1 : 0;
  progress.secondsDigit = field(5);
  progress.complete = complete;
  return progress;
}

bool ProgressInRange(const ProgressAnswer& progress, int32_t triggerMode, int32_t voltageLimit) {
  if (!progress.complete) return false;
  if (progress.injectionCount > 10000 || progress.intervalCount > 1000) return false;
  if (progress.voltage < 0 || progress.voltage > voltageLimit) return false;
  const int32_t triggerMax = triggerMode == 0 ? 360 : 999;
  if (progress.triggerValue < 0 || progress.triggerValue > triggerMax) return false;
  return progress.secondsDigit >= 0 && progress.secondsDigit <= 9;
}

std::optional<ConfigurationAnswer> ParseConfigurationAnswer(std::string_view answer) {
  if (!HasPrefix(answer, 'M')) return std::nullopt;
  ConfigurationAnswer config;
  config.maxVoltage = DecimalValue(answer.substr(2, 3));
  config.typeText = std::string(answer.substr(std::min<size_t>(6, answer.size()), 1));
  config.injectionUnitType = DecimalValue(config.typeText);
  // Eight "/"-closed fields from the first "/" at or after position 7; a
  // field without its closing "/" reads as 0.
  size_t slash = answer.size() > 7 ? answer.find('/', 7) : std::string_view::npos;
  auto nextField = [&]() -> int32_t {
    if (slash == std::string_view::npos) return 0;
    const size_t close = answer.find('/', slash + 1);
    if (close == std::string_view::npos) {
      slash = std::string_view::npos;
      return 0;
    }
    const int32_t value = DecimalValue(answer.substr(slash + 1, close - slash - 1));
    slash = close;
    return value;
  };
  for (int32_t& width : config.widths) {
    // Widths come in 50 ns; keep the product within int range.
    const int64_t ns = static_cast<int64_t>(nextField()) * 50;
    width = static_cast<int32_t>(ns > INT32_MAX ? INT32_MAX : (ns < INT32_MIN ? INT32_MIN : ns));
  }
  config.triangle = nextField() == 1;
  return config;
}

}  // namespace hvt
