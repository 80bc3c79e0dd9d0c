#include "tools/render/SceneRunner.h"

void SceneRunner::Start(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  counter.frequency = kFrequency;
  counter.value = 0;
  clock = FrameClock{};
  clock.source = &counter;
  scene.clock = &clock;
  scene.Init(width, height, seed);
}

void SceneRunner::Step(std::int64_t frame) {
  counter.value = frame * kCountsPerFrame;
  scene.AdvanceFrame();
}

void SceneRunner::Render(std::int64_t frame, bool mirrors) {
  counter.value = frame * kCountsPerFrame;
  scene.RenderFrame(mirrors ? kMirrorsBit : 0);
}

void SceneRunner::RenderAtSeconds(double seconds, bool mirrors) {
  counter.SetSeconds(seconds);
  scene.RenderFrame(mirrors ? kMirrorsBit : 0);
}

void SceneRunner::Finish() { scene.Teardown(); }
