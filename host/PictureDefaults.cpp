// The platform's counter and image resources as the picture's defaults.
#include "host/System.h"
#include "images/ResourceImageLoader.h"
#include "scene/FrameClock.h"

namespace {

// The platform's high-resolution counter. Where it has none (frequency 0),
// the millisecond tick count stands in, widened past its 32-bit wrap.
class PlatformCounterSource : public CounterSource {
 public:
  std::int64_t Frequency() override {
    const std::int64_t f = platform::CounterFrequency();
    useTicks_ = f <= 0;
    return useTicks_ ? 1000 : f;
  }
  std::int64_t Value() override {
    if (!useTicks_) return platform::CounterValue();
    const std::uint32_t tick = platform::TickCount();
    if (tick < lastTick_) wraps_ += std::int64_t{1} << 32;
    lastTick_ = tick;
    return wraps_ + tick;
  }

 private:
  bool useTicks_ = false;
  std::uint32_t lastTick_ = 0;
  std::int64_t wraps_ = 0;
};

}  // namespace

namespace platform {

void InstallPictureDefaults() {
  static PlatformCounterSource counter;
  SetDefaultCounterSource(&counter);
  SetDefaultImageResourceFinder(&FindImageResource);
}

}  // namespace platform
