// Tick count, sleep, resources and error messages on Linux.
#include <time.h>

#include <cstdio>

#include "host/System.h"
#include "host/linux/Programs.h"
#include "resources/EmbeddedResources.h"

namespace platform {

std::uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);  // wraps like the Windows tick count
}

void SleepMilliseconds(int milliseconds) {
  if (milliseconds <= 0) return;
  timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
}

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  return FindEmbeddedResource(name, data, size);
}

void ShowErrorMessage(const char* text) {
  std::fprintf(stderr, "Error: %s\n", text);
  std::fflush(stderr);
  // The message box is drawn by the dialog program, so that the saver itself
  // never loads the toolkit.
  if (linuxhost::DisplayNamed()) {
    linuxhost::RunProgramAndWait(linuxhost::SiblingProgram("zirbel-config"), {"zirbel-config", "--error", text});
  }
}

}  // namespace platform
