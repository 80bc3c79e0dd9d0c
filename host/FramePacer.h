#pragma once
// When the next frame is drawn, the same for a loop that waits (the native
// backends) and one that is called on the browser's animation frames: a
// frame once the scene's delay after the last one has passed, the delay read
// after each frame so that a change made during it counts at once; nothing
// while the picture cannot be seen, and the first frame after such a time
// resumes the renderer.
#include <cstdint>

#include "host/Backend.h"

// What the pacing needs from the picture: one frame, drawn and presented, and
// the delay after it.
class FrameRenderer {
 public:
  virtual ~FrameRenderer() = default;
  virtual void RenderFrame(std::uint32_t flags) = 0;
  virtual std::int32_t SleepMs() = 0;
  // Called before the first frame after a time in which nothing was drawn.
  virtual void Resume() = 0;
};

class FramePacer {
 public:
  struct Next {
    bool draw = false;       // draw a frame now
    std::int32_t wait = 0;   // else wait this long (milliseconds; -1: until an event)
  };
  // What to do at `now` (a millisecond clock that may wrap) with the picture's sight.
  Next At(std::uint32_t now, Sight sight, FrameRenderer& renderer);
  // A frame was drawn; `now` is the clock after it, `delay` the scene's delay.
  void Drawn(std::uint32_t now, std::int32_t delay);

 private:
  bool started_ = false;
  bool paused_ = false;
  std::uint32_t due_ = 0;
};
