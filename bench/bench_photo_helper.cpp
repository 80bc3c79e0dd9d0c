// What the photo helper costs against decoding in the saver's own process:
// photos decoded a second (phone-sized JPEGs and HEICs), the saver's own peak
// memory while a 48-megapixel photo decodes, and the time from start to the
// first photo atlas. This program is also the helper it starts.
//   bench_photo_helper [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/PhotoHelper.h"
#include "host/linux/PhotoFile.h"
#include "host/linux/PhotoHelperProcess.h"
#include "images/PhotoAtlasSource.h"
#include "images/PhotoDecode.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;

// A folder of `count` noisy JPEGs of w x h, and as many HEICs made from them.
std::string Folder(const std::string& name, int w, int h, int count, bool heic) {
  const std::string dir = (fs::temp_directory_path() / ("zirbel-bench-" + name + "-" + std::to_string(getpid()))).string();
  if (fs::exists(dir)) return dir;
  fs::create_directories(dir);
  std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
  for (int i = 0; i < count; ++i) {
    for (std::size_t p = 0; p < rgb.size(); ++p) rgb[p] = static_cast<unsigned char>((p * 7 + p / 4093 + i * 31) & 255);
    gen::JpegOptions options;
    options.quality = 90;
    const std::string jpeg = dir + "/" + std::to_string(i) + ".jpg";
    gen::WriteFile(jpeg, gen::CompressJpeg(rgb.data(), w, h, 3, options));
    if (heic && std::system(("heif-enc -q 60 " + jpeg + " -o " + dir + "/" + std::to_string(i) + ".heic >/dev/null").c_str()) != 0) {
      return "";
    }
  }
  return dir;
}

std::vector<photo::PathString> Photos(const std::string& dir, const char* extension) {
  std::vector<photo::PathString> photos;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == extension) photos.push_back(entry.path().native());
  }
  return photos;
}

photo::PhotoDecoder InProcess() {
  return [](const photo::PathString& path, const photo::ReadBounds& bounds, photo::Tile* tile, std::string* error) {
    std::vector<unsigned char> bytes;
    return linuxhost::ReadPhotoWithoutWaiting(path, bounds, &bytes, error) &&
           photo::DecodePhotoTile(bytes.data(), bytes.size(), tile, error);
  };
}

photo::PhotoDecoder Decoder(bool helper) {
  return helper ? photohelper::HelperDecoder(linuxhost::MakeHelperPlatform()) : InProcess();
}

// The saver's own peak resident memory (VmHWM), reset by clear_refs.
long PeakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
bool ResetPeak() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

// Photos a second; range(0): 1 in the helper, 0 here; range(1): 1 HEIC, 0 JPEG.
void BM_PhotosPerSecond(benchmark::State& state) {
  const std::string dir = Folder("phone", 4032, 3024, 6, true);
  if (dir.empty()) return state.SkipWithError("heif-enc is missing");
  const std::vector<photo::PathString> photos = Photos(dir, state.range(1) != 0 ? ".heic" : ".jpg");
  photo::PhotoDecoder decode = Decoder(state.range(0) != 0);
  photo::Tile tile;
  std::string error;
  if (!decode(photos[0], photo::ReadBounds(), &tile, &error)) return state.SkipWithError(error.c_str());  // started
  for (auto _ : state) {
    for (const photo::PathString& path : photos) {
      if (!decode(path, photo::ReadBounds(), &tile, &error)) state.SkipWithError(error.c_str());
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * photos.size()));
  state.SetLabel(std::string(state.range(0) != 0 ? "helper" : "in-process") + (state.range(1) != 0 ? ", HEIC" : ", JPEG"));
}

// The saver's own peak memory over what it had while a 48-megapixel
// progressive JPEG without chroma subsampling decodes.
void BM_SaverPeakWhileA48MegapixelPhotoDecodes(benchmark::State& state) {
  const std::string dir = Folder("large", 8000, 6000, 1, false);
  photo::PhotoDecoder decode = Decoder(state.range(0) != 0);
  const std::vector<photo::PathString> photos = Photos(dir, ".jpg");
  photo::Tile tile;
  std::string error;
  double grown = 0;
  for (auto _ : state) {
    if (!ResetPeak()) return state.SkipWithError("no peak memory to reset");
    const long before = PeakKiB();
    if (!decode(photos[0], photo::ReadBounds(), &tile, &error)) state.SkipWithError(error.c_str());
    grown = static_cast<double>(PeakKiB() - before) / 1024.0;
  }
  state.counters["saver_peak_growth_MiB"] = grown;
  state.SetLabel(state.range(0) != 0 ? "helper" : "in-process");
}

// From the start of the worker to its first atlas (the frame after shows it).
void BM_TimeToFirstAtlas(benchmark::State& state) {
  const std::string dir = Folder("phone", 4032, 3024, 6, true);
  for (auto _ : state) {
    photo::AtlasSourceOptions options;
    options.messages = nullptr;
    options.decoder = Decoder(state.range(0) != 0);
    const auto start = std::chrono::steady_clock::now();
    photo::PhotoAtlasSource source(dir, options);
    source.Start();
    if (!source.WaitForAtlas(std::chrono::seconds(60))) state.SkipWithError("no atlas");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetLabel(state.range(0) != 0 ? "helper" : "in-process");
}

BENCHMARK(BM_PhotosPerSecond)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_SaverPeakWhileA48MegapixelPhotoDecodes)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeToFirstAtlas)->Arg(0)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], photohelper::kHelperArgument) == 0) return linuxhost::RunPhotoHelper(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (const char* name : {"phone", "large"}) {
    fs::remove_all(fs::temp_directory_path() / ("zirbel-bench-" + std::string(name) + "-" + std::to_string(getpid())));
  }
  return 0;
}
