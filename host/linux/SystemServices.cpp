#include "host/linux/SystemServices.h"

#include <time.h>

#include <cstdio>

#include "host/linux/Programs.h"

namespace linuxhost {

std::int64_t MonotonicCounter::Value() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

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

// The picture's defaults until the entry hands them in.
#include "host/System.h"
#include "resources/EmbeddedResources.h"

namespace platform {

std::int64_t CounterFrequency() { return 1000000000; }
std::int64_t CounterValue() { return linuxhost::MonotonicCounter().Value(); }
std::uint32_t TickCount() { return linuxhost::MonotonicMilliseconds(); }
bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  return FindEmbeddedResource(name, data, size);
}

}  // namespace platform
