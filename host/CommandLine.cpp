#include "host/CommandLine.h"

#include <cstdint>

namespace {

bool IsBlank(char c) { return c == ' '; }

// White space as the C library's isspace sees it in the "C" locale.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

const char* SkipBlanksAndColons(const char* p) {
  while (IsBlank(*p) || *p == ':') ++p;
  return p;
}

// Reads a number the way atoi does: leading white space, an optional sign,
// decimal digits up to the first non-digit, 0 when there are none. Values
// beyond the 32-bit range saturate (as the Windows runtime's atoi does)
// instead of overflowing.
std::int32_t ReadNumber(const char* p) {
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + (*p - '0');
    if (value > kLimit) value = kLimit;
    ++p;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<std::int32_t>(value);
}

// A 32-bit number taken as a window handle, widened the way Windows widens a
// 32-bit handle value.
WindowHandle ReadHandle(const char* p) {
  return static_cast<WindowHandle>(static_cast<std::intptr_t>(ReadNumber(p)));
}

}  // namespace

CommandLineResult ParseCommandLine(const char* commandLine, const std::function<WindowHandle()>& foregroundWindow) {
  CommandLineResult result;
  const char* p = commandLine != nullptr ? commandLine : "";

  // The program path: up to the closing quote, or up to the first blank.
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p)) ++p;
  }
  if (*p != '\0') ++p;
  while (IsBlank(*p)) ++p;

  if (*p == '\0') {
    result.mode = SaverMode::Config;
    return result;
  }
  if (*p == '-' || *p == '/') ++p;

  switch (*p) {
    case 'p':
    case 'P':
    case 'l':
    case 'L':
      result.mode = SaverMode::Preview;
      result.parent = ReadHandle(SkipBlanksAndColons(p + 1));
      break;
    case 's':
    case 'S':
      result.mode = SaverMode::Saver;
      break;
    case 'c':
    case 'C': {
      result.mode = SaverMode::Config;
      const char* rest = SkipBlanksAndColons(p + 1);
      if (*rest == '\0') {
        result.parent = foregroundWindow ? foregroundWindow() : 0;
      } else {
        result.parent = ReadHandle(rest);
      }
      break;
    }
    case 'a':
    case 'A':
      result.mode = SaverMode::ChangePassword;
      result.parent = ReadHandle(SkipBlanksAndColons(p + 1));
      break;
    default:
      break;  // unrecognised: no mode
  }
  return result;
}
