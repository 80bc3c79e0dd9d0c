#pragma once
// The frame clock's counter on Windows: the high-resolution performance
// counter. Where the system has none (its frequency is 0), the millisecond
// tick count stands in, widened past its 32-bit wrap. The entry makes one
// and hands it to the scenes.
#include <windows.h>

#include <cstdint>

#include "scene/FrameClock.h"

namespace win32 {

class PerformanceCounter : public CounterSource {
 public:
  PerformanceCounter() {
    LARGE_INTEGER frequency;
    useTicks_ = !QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0;
    frequency_ = useTicks_ ? 1000 : frequency.QuadPart;
  }
  std::int64_t Frequency() override { return frequency_; }
  std::int64_t Value() override {
    LARGE_INTEGER value;
    if (!useTicks_) return QueryPerformanceCounter(&value) ? value.QuadPart : 0;
    const std::uint32_t tick = GetTickCount();
    if (tick < lastTick_) wraps_ += std::int64_t{1} << 32;
    lastTick_ = tick;
    return wraps_ + tick;
  }

 private:
  bool useTicks_ = false;
  std::int64_t frequency_ = 1000;
  std::uint32_t lastTick_ = 0;
  std::int64_t wraps_ = 0;
};

}  // namespace win32
