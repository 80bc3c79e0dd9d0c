#include "host/FramePacer.h"

FramePacer::Next FramePacer::At(std::uint32_t now, Sight sight, FrameRenderer& renderer) {
  if (sight != Sight::Visible) {
    // Nothing to draw for: wait for the event that shows the picture again,
    // or look again now and then where no event will tell.
    paused_ = started_;
    return Next{false, sight == Sight::Hidden ? -1 : kHiddenPollMs};
  }
  if (paused_) {
    paused_ = false;
    renderer.Resume();
    due_ = now;
  }
  // The difference, taken as signed, stays right across the clock's wrap.
  const auto ahead = static_cast<std::int32_t>(due_ - now);
  if (started_ && ahead > 0) return Next{false, ahead};
  return Next{true, 0};
}

void FramePacer::Drawn(std::uint32_t now, std::int32_t delay) {
  started_ = true;
  due_ = now + static_cast<std::uint32_t>(delay > 0 ? delay : 0);
}
