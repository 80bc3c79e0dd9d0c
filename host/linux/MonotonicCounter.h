#pragma once
// The frame clock's counter on Linux: the monotonic clock, in nanoseconds.
// The entry makes one and hands it to the scenes.
#include <time.h>

#include <cstdint>

#include "scene/FrameClock.h"

namespace linuxhost {

class MonotonicCounter : public CounterSource {
 public:
  std::int64_t Frequency() override { return 1000000000; }
  std::int64_t Value() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  }
};

}  // namespace linuxhost
