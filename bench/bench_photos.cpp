// The photo folder: decoding phone-sized photos into tiles, hostile and
// very large photos, walking a folder, the first atlas of a folder and how
// soon the worker stops, decoding or held up in a read. The folder comes
// from ZIRBEL_BENCH_PHOTOS (bench/photos.sh makes one of 3000 photos and one
// large photo); without it those benchmarks are skipped.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "images/PhotoAtlasSource.h"
#include "images/PhotoDecode.h"
#include "images/PhotoFolder.h"
#include "tools/genimages/JpegWriter.h"

namespace {

std::vector<unsigned char> PhoneJpeg(int width, int height) {
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>((i * 7 + i / 4093) & 255);
  gen::JpegOptions options;
  options.quality = 90;
  options.segments.push_back(gen::OrientationSegment(6));
  return gen::CompressJpeg(rgb.data(), width, height, 3, options);
}

void BM_DecodePhoneJpeg(benchmark::State& state) {
  const std::vector<unsigned char> jpeg = PhoneJpeg(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  photo::Tile tile;
  std::string error;
  for (auto _ : state) {
    if (!photo::DecodePhotoTile(jpeg.data(), jpeg.size(), &tile, &error)) state.SkipWithError(error.c_str());
  }
  state.counters["megapixels"] = static_cast<double>(state.range(0) * state.range(1)) / 1e6;
}

// One decode of each hostile or very large photo, with what it gives:
//   0: a 1 x 1 PNG of 24 MB whose stream inflates to 24 GiB of zeros
//   1: a progressive JPEG of 1000 x 1000 with 8000 scans (of one grey)
//   2: a 48-megapixel progressive JPEG without chroma subsampling
void BM_HostilePhoto(benchmark::State& state) {
  std::vector<unsigned char> bytes;
  if (state.range(0) == 0) {
    gen::PngOptions options;
    options.extraZeros = 24ull << 30;
    bytes = gen::MakePng(1, 1, {0, 0, 0}, options);
  } else {
    const int width = state.range(0) == 1 ? 1000 : 8000, height = state.range(0) == 1 ? 1000 : 6000;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>((i * 7 + i / 4093) & 255);
    if (state.range(0) == 1) rgb.assign(rgb.size(), 128);  // small scans
    gen::JpegOptions options;
    options.progressive = true;
    bytes = gen::CompressJpeg(rgb.data(), width, height, 3, options);
    if (state.range(0) == 1) bytes = gen::RepeatLastScan(bytes, 8000);
  }
  photo::Tile tile;
  std::string error;
  bool decoded = false;
  for (auto _ : state) decoded = photo::DecodePhotoTile(bytes.data(), bytes.size(), &tile, &error);
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["decoded"] = decoded ? 1 : 0;
  state.SetLabel(decoded ? "decoded" : error);
}

const char* Folder(benchmark::State& state) {
  const char* folder = std::getenv("ZIRBEL_BENCH_PHOTOS");
  if (folder == nullptr) state.SkipWithError("ZIRBEL_BENCH_PHOTOS is not set (run bench/photos.sh)");
  return folder;
}

void BM_WalkFolder(benchmark::State& state) {
  const char* folder = Folder(state);
  if (folder == nullptr) return;
  std::size_t photos = 0;
  for (auto _ : state) photos = photo::ListPhotos(folder, {}).photos.size();
  state.counters["photos"] = static_cast<double>(photos);
}

photo::AtlasSourceOptions Quiet() {
  photo::AtlasSourceOptions options;
  options.messages = nullptr;
  return options;
}

// From the worker's start to its first atlas: the walk and 78 decodes.
void BM_FirstAtlas(benchmark::State& state) {
  const char* folder = Folder(state);
  if (folder == nullptr) return;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    photo::PhotoAtlasSource source(folder, Quiet());
    source.Start();
    if (!source.WaitForAtlas(std::chrono::minutes(2))) state.SkipWithError("no atlas");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

// Stop() while the worker decodes a large photo: how long the exit waits.
void BM_StopWhileDecoding(benchmark::State& state) {
  const char* folder = Folder(state);
  if (folder == nullptr) return;
  const std::string large = std::string(folder) + "/large";
  for (auto _ : state) {
    photo::PhotoAtlasSource source(large, Quiet());
    source.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
    const auto start = std::chrono::steady_clock::now();
    source.Stop();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

// Stop() while the worker's read is held up by the system (as on a share
// that stopped answering): the stop waits the options' stopWait, then leaves
// the worker behind.
void BM_StopWhileReadHeldUp(benchmark::State& state) {
  const char* folder = Folder(state);
  if (folder == nullptr) return;
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, open = false;
  };
  for (auto _ : state) {
    auto gate = std::make_shared<Gate>();
    photo::AtlasSourceOptions options = Quiet();
    options.reader = [gate](const std::filesystem::path&, const photo::ReadBounds&, std::vector<unsigned char>*,
                            std::string*) {
      std::unique_lock<std::mutex> lock(gate->mutex);
      gate->entered = true;
      gate->changed.notify_all();
      gate->changed.wait(lock, [&] { return gate->open; });
      return false;
    };
    photo::PhotoAtlasSource source(folder, options);
    source.Start();
    {
      std::unique_lock<std::mutex> lock(gate->mutex);
      gate->changed.wait(lock, [&] { return gate->entered; });
    }
    const auto start = std::chrono::steady_clock::now();
    source.Stop();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::lock_guard<std::mutex> lock(gate->mutex);
    gate->open = true;
    gate->changed.notify_all();
  }
}

}  // namespace

BENCHMARK(BM_DecodePhoneJpeg)->Args({4000, 3000})->Args({8000, 6000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostilePhoto)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WalkFolder)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FirstAtlas)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StopWhileDecoding)->Arg(20)->Arg(80)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StopWhileReadHeldUp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
