#include "host/linux/SystemServices.h"

#include <time.h>

#include <cstdio>

#include "host/linux/Programs.h"

namespace linuxhost {

std::uint32_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

void ShowErrorMessage(const char* text) {
  std::fprintf(stderr, "Error: %s\n", text);
  std::fflush(stderr);
  if (DisplayNamed()) RunProgramAndWait(SiblingProgram("zirbel-config"), {"zirbel-config", "--error", text});
}

}  // namespace linuxhost
