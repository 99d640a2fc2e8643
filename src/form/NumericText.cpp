#include "form/NumericText.h"

#include "model/CPELKDoc.h"

namespace hvt::form {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool PassesForm(std::string_view text, NumberForm form) {
  text = Trim(text);
  int integerDigits = 0;
  int fractionDigits = 0;
  int zeros = 0;
  bool point = false;
  const bool leadingZero = !text.empty() && text.front() == '0';
  for (char c : text) {
    if (c == '.') {
      if (point || form.fractionDigits == 0) return false;
      point = true;
    } else if (!IsDigit(c)) {
      return false;
    } else if (point) {
      if (++fractionDigits > form.fractionDigits) return false;
    } else {
      if (++integerDigits > form.integerDigits) return false;
      if (c == '0' && ++zeros > 1 && leadingZero) return false;
    }
  }
  return true;
}

int32_t TextValue(std::string_view text, bool voltage) {
  text = Trim(text);
  int64_t integer = 0;
  int64_t fraction = 0;
  int fractionDigits = 0;
  bool point = false;
  for (char c : text) {
    if (c == '.') {
      point = true;
    } else if (IsDigit(c)) {
      // At most a few digits pass the form; the cap only keeps stray text
      // from overflowing.
      if (!point) {
        if (integer < 100000000) integer = integer * 10 + (c - '0');
      } else if (fractionDigits < 2) {
        fraction = fraction * 10 + (c - '0');
        ++fractionDigits;
      }
    }
  }
  if (!voltage) return static_cast<int32_t>(integer);
  while (fractionDigits < 2) {
    fraction *= 10;
    ++fractionDigits;
  }
  return static_cast<int32_t>(integer * 100 + fraction);
}

std::string ValueText(int32_t value, bool voltage) {
  return voltage ? VoltageDisplayText(value) : std::to_string(value);
}

}  // namespace hvt::form
