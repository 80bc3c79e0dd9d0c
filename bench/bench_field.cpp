// Cost of one field Step over the sixty discs, at 24 frames per second of
// scene time, once the discs have settled after a minute of frames.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "field/DiscField.h"
#include "scene/KaleidoScene.h"

namespace {

void StepField(benchmark::State& state) {
  KaleidoScene scene;
  scene.random.Seed(12345u);
  DiscField field(&scene);
  field.SetUpWithoutImages();
  std::int64_t frame = 0;
  const auto tick = [&] {
    ++frame;
    scene.elapsedSeconds = static_cast<float>(frame * 1000 / 24) * 0.001f;
    field.Step();
  };
  for (int i = 0; i < 24 * 60; ++i) tick();
  for (auto _ : state) {
    tick();
    benchmark::DoNotOptimize(field.discs[0].position);
  }
  state.SetItemsProcessed(state.iterations() * kDiscCount);
}

}  // namespace

BENCHMARK(StepField);

BENCHMARK_MAIN();
