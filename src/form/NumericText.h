#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hvt::form {

// The digits a numeric box accepts: at most `integerDigits` before an
// optional decimal point and `fractionDigits` after it.
struct NumberForm {
  int integerDigits;
  int fractionDigits;
};

inline constexpr NumberForm kVoltageForm{2, 2};

// Whether a typed text has the box's form. Surrounding white space is
// ignored; the empty text passes; a leading 0 may not be followed by another
// 0 before the point (0, 05, 50, 500 pass; 00 and 010 fail).
bool PassesForm(std::string_view text, NumberForm form);

// The value of a text that passes its form (empty gives 0). Voltage texts
// give 0.01 kV: the integer digits followed by exactly two fraction digits.
int32_t TextValue(std::string_view text, bool voltage);

// "%d", or the voltage display ("0.01", "8.00") for voltage boxes.
std::string ValueText(int32_t value, bool voltage);

}  // namespace hvt::form
