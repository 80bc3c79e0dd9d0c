#pragma once
#include <cstdint>

// Where the frame clock reads its counter. The default reads the platform's
// monotonic counter; the offscreen renderer and tests substitute a manual one
// so that a frame at a given time can be reproduced.
class CounterSource {
 public:
  virtual ~CounterSource() = default;
  virtual std::int64_t Frequency() = 0;  // counts per second; 0 if none
  virtual std::int64_t Value() = 0;
};

CounterSource& PlatformCounter();

// A counter that moves only when told to.
class ManualCounter : public CounterSource {
 public:
  std::int64_t frequency = 1000;
  std::int64_t value = 0;
  std::int64_t Frequency() override { return frequency; }
  std::int64_t Value() override { return value; }
  void SetSeconds(double seconds) { value = static_cast<std::int64_t>(seconds * static_cast<double>(frequency) + 0.5); }
};

struct FrameClock {
  bool started = false;
  std::int64_t frequency = 0;
  std::int64_t origin = 0;
  CounterSource* source = nullptr;  // null: PlatformCounter()
};

// The process-wide clock.
extern FrameClock gFrameClock;
