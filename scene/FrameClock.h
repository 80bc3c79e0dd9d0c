#pragma once
#include <cstdint>

// Where the frame clock reads its counter: the platform's high-resolution
// counter, which the entry makes and hands to the scenes' owner; the offscreen
// renderer and tests hand in a manual one so that a frame at a given time can
// be reproduced.
class CounterSource {
 public:
  virtual ~CounterSource() = default;
  virtual std::int64_t Frequency() = 0;  // counts per second; 0 if none
  virtual std::int64_t Value() = 0;
};

// A counter that moves only when told to.
class ManualCounter : public CounterSource {
 public:
  std::int64_t frequency = 1000;
  std::int64_t value = 0;
  std::int64_t Frequency() override { return frequency; }
  std::int64_t Value() override { return value; }
  void SetSeconds(double seconds) { value = static_cast<std::int64_t>(seconds * static_cast<double>(frequency) + 0.5); }
};

// A counter that reports no frequency is read as counting milliseconds.
constexpr std::int64_t kFallbackCounterFrequency = 1000;

// Whole milliseconds in `counts` ticks of a counter running at `frequency`
// per second, truncated toward zero; a frequency of 0 or less counts as
// kFallbackCounterFrequency.
std::int64_t CounterMilliseconds(std::int64_t counts, std::int64_t frequency);

struct FrameClock {
  bool started = false;
  std::int64_t frequency = 0;
  std::int64_t origin = 0;
  CounterSource* source = nullptr;  // not owned; null: none, the time stays at 0
};
