#pragma once
// Whole numbers written as text: the one reader of every number the program
// is given, by a store, the web page's address or a command line.
#include <cstdint>
#include <string_view>

// How a number may be written.
enum class NumberForm {
  // Blanks (spaces, tabs) around, an optional sign, decimal digits: a stored
  // value (the settings file, the page's local storage), the page's address.
  Stored,
  // Decimal digits only, without a leading zero: a command line's value.
  Plain,
  // Plain, or 0x (0X) and hex digits: a window id as daemons write it.
  WindowId,
};

// The whole of `text` as a number from `low` to `high` written in `form`.
// False, with *value untouched, for anything else.
bool ParseNumber(std::string_view text, NumberForm form, std::int64_t low, std::int64_t high, std::int64_t* value);

// The same into a narrower whole number, which [low, high] must fit.
template <typename Whole>
bool ParseNumber(std::string_view text, NumberForm form, std::int64_t low, std::int64_t high, Whole* value) {
  std::int64_t number = 0;
  if (!ParseNumber(text, form, low, high, &number)) return false;
  *value = static_cast<Whole>(number);
  return true;
}
