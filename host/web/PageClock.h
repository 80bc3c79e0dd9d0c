#pragma once
// The page's clock for its run: the browser's counter with the times of a
// pause left out, so that a paused picture goes on where it stopped, its
// frame clock and its pacing with it.
#include <cstdint>

#include "scene/FrameClock.h"

class PausableCounter : public CounterSource {
 public:
  explicit PausableCounter(CounterSource& source) : source_(source) {}
  std::int64_t Frequency() override { return source_.Frequency(); }
  // Stands still while paused.
  std::int64_t Value() override { return (paused_ ? pausedAt_ : source_.Value()) - leftOut_; }
  // Stops the counter or lets it go on; a second call with the same answer changes nothing.
  void SetPaused(bool paused);
  bool Paused() const { return paused_; }

 private:
  CounterSource& source_;
  bool paused_ = false;
  std::int64_t pausedAt_ = 0;
  std::int64_t leftOut_ = 0;
};
