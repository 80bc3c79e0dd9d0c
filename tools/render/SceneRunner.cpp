#include "tools/render/SceneRunner.h"

#include "resources/EmbeddedResources.h"

SceneSources SceneRunner::Sources(ManualCounter* counter) {
  counter->frequency = kFrequency;
  counter->value = 0;
  return SceneSources{counter, &FindEmbeddedResource};
}

void SceneRunner::Start(std::int32_t width, std::int32_t height, std::uint32_t seed) {
  scene.Init(width, height, seed, Sources(&counter));
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
