#include "host/SceneSet.h"

std::uint32_t FrameFlags(std::int32_t useMirrors) { return useMirrors != 0 ? kMirrorsBit : 0u; }

bool SceneRenderer::RenderFrame(std::uint32_t flags) {
  if (!resumed_) return scene_.RenderFrame(flags);
  resumed_ = false;
  const float fps = scene_.fps;
  const bool present = scene_.RenderFrame(flags);
  scene_.fps = fps;
  scene_.fpsWindowStart = scene_.elapsedSeconds;
  scene_.framesInWindow = 0;
  return present;
}

