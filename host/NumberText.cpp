#include "host/NumberText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value of the digit `c` in `base`, or -1.
int Digit(char c, int base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseNumber(std::string_view text, NumberForm form, std::int64_t low, std::int64_t high, std::int64_t* value) {
  std::size_t at = 0, end = text.size();
  bool negative = false;
  int base = 10;
  if (form == NumberForm::Stored) {
    while (at < end && IsBlank(text[at])) ++at;
    while (end > at && IsBlank(text[end - 1])) --end;
    if (at < end && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  } else if (form == NumberForm::WindowId && end - at > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    at = 2;
  }
  if (at == end) return false;
  if (form != NumberForm::Stored && base == 10 && text[at] == '0' && end - at > 1) return false;
  // Far beyond any range asked for, and far from overflowing.
  constexpr std::uint64_t kTooLarge = std::uint64_t{1} << 60;
  std::uint64_t magnitude = 0;
  for (; at < end; ++at) {
    const int digit = Digit(text[at], base);
    if (digit < 0) return false;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (magnitude >= kTooLarge) return false;
  }
  const std::int64_t number = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (number < low || number > high) return false;
  *value = number;
  return true;
}
