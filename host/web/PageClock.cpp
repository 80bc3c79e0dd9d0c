#include "host/web/PageClock.h"

void PausableCounter::SetPaused(bool paused) {
  if (paused == paused_) return;
  if (paused) {
    pausedAt_ = source_.Value();
  } else {
    leftOut_ += source_.Value() - pausedAt_;
  }
  paused_ = paused;
}
