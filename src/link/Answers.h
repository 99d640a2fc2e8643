#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hvt {

// Readers of the instrument's answer texts. They only look at the text they
// are given; numbers read as decimal integers (leading blanks, optional
// sign, digits up to the first other character, 0 without digits).

// The whole "AG" answer when it is one and holds at least two status
// characters; else empty.
std::string StatusFromAnswer(std::string_view answer);
// The "AN" code, -1..8; anything else (or another answer) gives -1.
int32_t ErrorCodeFromAnswer(std::string_view answer);
// "AC" answer: 1 line on, 0 off (also for "AC" alone), 0xFF another answer.
uint8_t LineStateFromAnswer(std::string_view answer);
// The text after the two-letter prefix "A" + letter; nullopt for another
// answer.
std::optional<std::string> TextAfterPrefix(std::string_view answer, char letter);

// The six fields of an "AH" answer.
struct ProgressAnswer {
  int32_t injectionCount = 0;  // seconds of injection left; 10000 Endless
  int32_t intervalCount = 0;   // seconds of interval left; 1000 Endless
  int32_t voltage = 0;
  int32_t triggerValue = 0;  // phase or Variable period
  int32_t unitChange = 0;    // unit toggle, 0 or 1
  int32_t secondsDigit = 0;
  bool complete = false;  // all five separators were found
};

// nullopt when the answer is not "AH". A field whose start is missing reads
// as 0; a field whose end is missing reads to the end of the text.
std::optional<ProgressAnswer> ParseProgressAnswer(std::string_view answer);
// Whether the fields are complete and each lies in its range for a unit
// with the given trigger mode (0 phase, 1 Variable) and voltage limit.
bool ProgressInRange(const ProgressAnswer& progress, int32_t triggerMode, int32_t voltageLimit);

// Configuration of an "AM" answer.
struct ConfigurationAnswer {
  int32_t maxVoltage = 0;
  int32_t injectionUnitType = 0;
  std::string typeText;    // the one character of the type, as sent
  int32_t widths[7] = {};  // ns
  bool triangle = false;
};
// nullopt when the answer is not "AM". Missing fields read as 0.
std::optional<ConfigurationAnswer> ParseConfigurationAnswer(std::string_view answer);

}  // namespace hvt
