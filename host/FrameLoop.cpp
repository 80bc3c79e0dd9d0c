#include "host/FrameLoop.h"

#include "scene/KaleidoScene.h"

std::uint32_t FrameFlags(std::int32_t useMirrors) { return useMirrors != 0 ? kMirrorsBit : 0u; }

void RunFrameLoop(FrameLoopHost& host, FrameRenderer& renderer, std::int32_t useMirrors) {
  const std::uint32_t flags = FrameFlags(useMirrors);
  for (;;) {
    // Drain everything that is waiting before the next frame.
    while (host.HandlePendingEvent()) {
      if (host.QuitRequested()) return;
    }
    if (host.QuitRequested()) return;
    if (renderer.RenderFrame(flags)) host.Present();
    // The delay is read after the frame, so a change made during it counts now.
    const std::int32_t delay = renderer.SleepMs();
    host.Sleep(delay > 0 ? delay : 0);
  }
}
