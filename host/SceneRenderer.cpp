#include "host/SceneSet.h"

std::uint32_t FrameFlags(std::int32_t useMirrors) { return useMirrors != 0 ? kMirrorsBit : 0u; }

bool SceneRenderer::RenderFrame(std::uint32_t flags) { return scene_.RenderFrame(flags); }

std::int32_t SceneRenderer::SleepMs() const { return scene_.sleepMs; }

void SceneRenderer::Resume() { scene_.RestartRateWindow(); }
