// Frame time of the whole scene at 1920 x 1080 for several level counts, with
// and without mirrors, drawn through GLX on $DISPLAY.
#include <benchmark/benchmark.h>

#include <string>

#include "images/GL.h"
#include "tools/render/OffscreenGl.h"
#include "tools/render/SceneRunner.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void BM_RenderFrame(benchmark::State& state) {
  std::string why;
  if (!EnsureDisplay(&why)) {
    state.SkipWithError(("no X display: " + why).c_str());
    return;
  }
  OffscreenGl gl;
  if (!gl.Open(kWidth, kHeight, &why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  SceneRunner runner;
  runner.Start(kWidth, kHeight, 1);
  runner.scene.levels = static_cast<std::int32_t>(state.range(0));
  const bool mirrors = state.range(1) != 0;
  std::int64_t frame = 0;
  for (; frame < 48; ++frame) runner.Step(frame);  // past the first motion
  for (auto _ : state) {
    runner.Render(frame++, mirrors);
    glFinish();  // the frame is done, not just queued
  }
  runner.Finish();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RenderFrame)
    ->ArgNames({"levels", "mirrors"})
    ->ArgsProduct({{1, 4, 10}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
