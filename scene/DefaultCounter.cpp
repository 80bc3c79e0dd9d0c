#include <chrono>

#include "scene/FrameClock.h"

namespace {

// The standard library's monotonic clock, in nanoseconds: the counter the
// clock reads until the entry installs the platform's own.
class SteadyCounterSource : public CounterSource {
 public:
  std::int64_t Frequency() override { return 1000000000; }
  std::int64_t Value() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  }
};

CounterSource* installed = nullptr;

}  // namespace

CounterSource& DefaultCounter() {
  static SteadyCounterSource steady;
  return installed != nullptr ? *installed : steady;
}

void SetDefaultCounterSource(CounterSource* source) { installed = source; }
