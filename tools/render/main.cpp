// zirbel-render: draws frames of the kaleidoscope offscreen and writes them
// as PNG files.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/SceneSet.h"
#include "tools/render/OffscreenGl.h"
#include "tools/render/PngWriter.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/SceneRunner.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "zirbel-render: %s\n", message.c_str());
  return 1;
}

bool WriteFrame(const OffscreenGl& gl, const std::string& pattern, std::int64_t frame, std::string* error) {
  std::string path;
  return FormatFramePath(pattern, frame, &path, error) && WritePng(gl.ReadBack(), path, error);
}

// Runs frames 0 .. frames - 1, drawing and writing those the options ask for.
bool RunFrames(const RenderOptions& options, const OffscreenGl& gl, const std::function<void(std::int64_t)>& step,
               const std::function<void(std::int64_t)>& render, std::string* error) {
  const std::int64_t last = options.frames - 1;
  for (std::int64_t frame = 0; frame <= last; ++frame) {
    if (frame != last && (options.every <= 0 || frame % options.every != 0)) {
      step(frame);
      continue;
    }
    render(frame);
    if (!WriteFrame(gl, options.output, frame, error)) return false;
  }
  return true;
}

// A window over several monitors, a kaleidoscope on each as the saver lays
// them out; every scene's clock reads the manual counter.
int RenderMonitors(const RenderOptions& options, const OffscreenGl& gl) {
  ManualCounter counter;
  counter.frequency = SceneRunner::kFrequency;
  SetDefaultCounterSource(&counter);
  SceneSet scenes;
  const ScreenRect window{0, 0, options.width, options.height};
  scenes.Start(LayOutViews(window, options.monitors, true), options.width, options.height, options.seed,
               options.levels);
  std::string error;
  const bool written = RunFrames(
      options, gl,
      [&](std::int64_t frame) {
        counter.value = frame * SceneRunner::kCountsPerFrame;
        for (KaleidoScene* scene = scenes.Primary(); scene != nullptr; scene = scene->follower) scene->AdvanceFrame();
      },
      [&](std::int64_t frame) {
        counter.value = frame * SceneRunner::kCountsPerFrame;
        scenes.RenderFrame(options.mirrors ? kMirrorsBit : 0);
      },
      &error);
  scenes.Teardown();
  SetDefaultCounterSource(nullptr);
  return written ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(args, &options, &error)) {
    std::fprintf(stderr, "zirbel-render: %s\n%s", error.c_str(), kRenderUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kRenderUsage, stdout);
    return 0;
  }
  if (!EnsureDisplay(&error)) return Fail(error);
  OffscreenGl gl;
  if (!gl.Open(options.width, options.height, &error)) return Fail(error);

  if (!options.monitors.empty()) return RenderMonitors(options, gl);
  SceneRunner runner;
  runner.Start(options.width, options.height, options.seed);
  runner.scene.levels = options.levels;
  const bool written = RunFrames(
      options, gl, [&](std::int64_t frame) { runner.Step(frame); },
      [&](std::int64_t frame) { runner.Render(frame, options.mirrors); }, &error);
  runner.Finish();
  return written ? 0 : Fail(error);
}
