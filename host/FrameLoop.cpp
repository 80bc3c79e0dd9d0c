#include "host/FrameLoop.h"

namespace {

// Handles everything that is waiting; false when the loop is to end.
bool DrainEvents(FrameLoopHost& host) {
  while (host.HandlePendingEvent()) {
    if (host.QuitRequested()) return false;
  }
  return !host.QuitRequested();
}

}  // namespace

void RunFrameLoop(FrameLoopHost& host, FrameRenderer& renderer, std::uint32_t flags) {
  bool paused = false;
  for (;;) {
    if (!DrainEvents(host)) return;
    const Sight sight = host.PictureSight();
    if (sight != Sight::Visible) {
      // Nothing to draw for: wait for the event that shows the picture again,
      // or look again now and then where no event will tell.
      host.WaitForEvent(sight == Sight::Hidden ? -1 : kHiddenPollMs);
      paused = true;
      continue;
    }
    if (paused) renderer.Resume();
    paused = false;
    renderer.RenderFrame(flags);
    // The delay is read after the frame, so a change made during it counts now.
    const std::int32_t delay = renderer.SleepMs();
    const std::uint32_t start = host.Milliseconds();
    for (std::int32_t waited = 0; waited < delay; waited = static_cast<std::int32_t>(host.Milliseconds() - start)) {
      if (!host.WaitForEvent(delay - waited)) break;
      if (!DrainEvents(host)) return;
      if (host.PictureSight() != Sight::Visible) break;
    }
  }
}
