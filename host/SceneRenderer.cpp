#include "host/FrameLoop.h"
#include "scene/KaleidoScene.h"

bool SceneRenderer::RenderFrame(std::uint32_t flags) { return scene_.RenderFrame(flags); }

std::int32_t SceneRenderer::SleepMs() { return scene_.sleepMs; }
