// Frame time of the whole scene at 1920 x 1080 (and at a quarter of each
// side) for several level counts, with and without mirrors, drawn through GLX
// on $DISPLAY; and the start-up cost of turning the decoded images into
// mipmapped textures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "images/GL.h"
#include "images/ResourceImageLoader.h"
#include "tools/render/OffscreenGl.h"
#include "tools/render/SceneRunner.h"
#include "resources/EmbeddedResources.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A current GL context of the given size, or the benchmark skipped with why.
bool OpenContext(benchmark::State& state, OffscreenGl& gl, int width, int height) {
  std::string why;
  if (!EnsureDisplay(&why)) {
    state.SkipWithError(("no X display: " + why).c_str());
    return false;
  }
  if (!gl.Open(width, height, &why)) {
    state.SkipWithError(why.c_str());
    return false;
  }
  return true;
}

void BM_RenderFrame(benchmark::State& state) {
  OffscreenGl gl;
  // A divisor above 1 shrinks the picture: how much of the frame's cost grows
  // with the pixel count (fill) and how much is per frame.
  const int divisor = static_cast<int>(state.range(2));
  const int width = kWidth / divisor, height = kHeight / divisor;
  if (!OpenContext(state, gl, width, height)) return;
  SceneRunner runner;
  runner.Start(width, height, 1);
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

// Decoding is measured in bench_images; this is the upload with its mipmaps.
void BM_CreateTextures(benchmark::State& state) {
  OffscreenGl gl;
  if (!OpenContext(state, gl, 64, 64)) return;
  ImageTexture atlas, clouds, logo;
  if (!DecodeWithMask(atlas, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", &FindEmbeddedResource) ||
      !DecodeImage(clouds, "CLOUDS_MASK", &FindEmbeddedResource) || !DecodeImage(logo, "LOGO_MASK", &FindEmbeddedResource)) {
    state.SkipWithError("an image did not decode");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    // CreateTexture frees the pixels it uploads, so each round gets its own.
    const ImageTexture* sources[3] = {&atlas, &clouds, &logo};
    ImageTexture copies[3];
    for (int i = 0; i < 3; ++i) {
      copies[i] = *sources[i];
      const std::size_t bytes = static_cast<std::size_t>(copies[i].width) * copies[i].height * (copies[i].bitsPerPixel / 8);
      copies[i].pixels = static_cast<unsigned char*>(std::malloc(bytes));
      std::memcpy(copies[i].pixels, sources[i]->pixels, bytes);
    }
    state.ResumeTiming();
    for (ImageTexture& c : copies) CreateTexture(c);
    glFinish();
    state.PauseTiming();
    for (ImageTexture& c : copies) {
      GLuint name = c.textureName;
      glDeleteTextures(1, &name);
    }
    state.ResumeTiming();
  }
  FreeImagePixels(atlas);
  FreeImagePixels(clouds);
  FreeImagePixels(logo);
}

}  // namespace

BENCHMARK(BM_CreateTextures)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_RenderFrame)
    ->ArgNames({"levels", "mirrors", "divisor"})
    ->ArgsProduct({{1, 4, 10}, {1, 0}, {1}})
    ->Args({1, 1, 4})
    ->Args({10, 1, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
