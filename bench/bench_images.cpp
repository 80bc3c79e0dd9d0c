// Decode time of the four embedded images (no upload), as the disc field's
// set-up pays it once at start-up.
#include <benchmark/benchmark.h>

#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"

namespace {

void DecodeAtlas(benchmark::State& state) {
  for (auto _ : state) {
    ImageTexture image;
    const bool ok = DecodeWithMask(image, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", &FindEmbeddedResource);
    benchmark::DoNotOptimize(image.pixels);
    FreeImagePixels(image);
    if (!ok) {
      state.SkipWithError("the atlas did not decode");
      break;
    }
  }
}
BENCHMARK(DecodeAtlas)->Unit(benchmark::kMillisecond);

void DecodeGrey(benchmark::State& state, const char* name) {
  for (auto _ : state) {
    ImageTexture image;
    const bool ok = DecodeImage(image, name, &FindEmbeddedResource);
    benchmark::DoNotOptimize(image.pixels);
    FreeImagePixels(image);
    if (!ok) {
      state.SkipWithError("the image did not decode");
      break;
    }
  }
}
BENCHMARK_CAPTURE(DecodeGrey, Clouds, "CLOUDS_MASK")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeGrey, Logo, "LOGO_MASK")->Unit(benchmark::kMillisecond);

void DecodeAllFour(benchmark::State& state) {
  for (auto _ : state) {
    ImageTexture atlas, clouds, logo;
    const bool ok = DecodeWithMask(atlas, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", &FindEmbeddedResource) &&
                    DecodeImage(clouds, "CLOUDS_MASK", &FindEmbeddedResource) &&
                    DecodeImage(logo, "LOGO_MASK", &FindEmbeddedResource);
    FreeImagePixels(atlas);
    FreeImagePixels(clouds);
    FreeImagePixels(logo);
    if (!ok) {
      state.SkipWithError("an image did not decode");
      break;
    }
  }
}
BENCHMARK(DecodeAllFour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
