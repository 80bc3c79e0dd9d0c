// zirbel-render: draws frames of the kaleidoscope offscreen and writes them
// as PNG files.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/SceneSet.h"
#include "images/PhotoAtlasSource.h"
#include "images/PhotoTiles.h"
#include "tools/render/OffscreenGl.h"
#include "tools/render/PngWriter.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/SceneRunner.h"
#include "tools/render/WebpWriter.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "zirbel-render: %s\n", message.c_str());
  return 1;
}

// The first photo atlas of `folder`, made as the saver's worker makes it.
bool MakePhotoAtlas(const std::string& folder, std::vector<unsigned char>* atlas, std::string* error) {
  photo::PhotoAtlasSource source(folder);
  source.Start();
  if (!source.WaitForAtlas(std::chrono::minutes(2)) || !source.TakeAtlas(atlas)) {
    *error = "no photo atlas could be made from " + folder;
    return false;
  }
  return true;
}

bool WriteFrame(const OffscreenGl& gl, const std::string& pattern, std::int64_t frame, std::string* error) {
  std::string path;
  return FormatFramePath(pattern, frame, &path, error) && WritePng(gl.ReadBack(), path, error);
}

// Runs frames 0 .. frames - 1, drawing and writing those the options ask
// for: PNG files by the output's pattern, or one looping animated WebP.
bool RunFrames(const RenderOptions& options, const OffscreenGl& gl, const std::function<void(std::int64_t)>& step,
               const std::function<void(std::int64_t)>& render, std::string* error) {
  std::unique_ptr<WebpAnimation> animation;
  if (IsAnimationOutput(options.output)) {
    const std::int64_t every = options.every > 0 ? options.every : 1;
    animation.reset(new WebpAnimation(options.animationWidth > 0 ? options.animationWidth : options.width,
                                      options.animationHeight > 0 ? options.animationHeight : options.height,
                                      static_cast<std::int32_t>(1000 * every / 24)));
  }
  const std::int64_t last = options.frames - 1;
  for (std::int64_t frame = 0; frame <= last; ++frame) {
    const bool written =
        frame == last || (frame >= options.firstWritten && options.every > 0 && frame % options.every == 0);
    if (!written) {
      step(frame);
      continue;
    }
    render(frame);
    const bool ok = animation ? animation->Add(gl.ReadBack(), error) : WriteFrame(gl, options.output, frame, error);
    if (!ok) return false;
  }
  return !animation || animation->Write(options.output, error);
}

// A window over several monitors, a kaleidoscope on each as the saver lays
// them out; every scene's clock reads the manual counter.
int RenderMonitors(const RenderOptions& options, const OffscreenGl& gl) {
  ManualCounter counter;
  SceneSet scenes(SceneRunner::Sources(&counter));
  const ScreenRect window{0, 0, options.width, options.height};
  scenes.Start(LayOutViews(window, options.monitors, true), options.width, options.height, options.seed,
               options.levels);
  std::string error;
  std::vector<unsigned char> atlas;
  const bool photos = options.photos.empty() || MakePhotoAtlas(options.photos, &atlas, &error);
  if (!options.photos.empty() && photos) scenes.ShowAtlas(std::move(atlas));
  const bool written = photos && RunFrames(
      options, gl,
      [&](std::int64_t frame) {
        counter.value = frame * SceneRunner::kCountsPerFrame;
        scenes.AdvanceAll();
      },
      [&](std::int64_t frame) {
        counter.value = frame * SceneRunner::kCountsPerFrame;
        scenes.RenderFrame(options.mirrors ? kMirrorsBit : 0);
      },
      &error);
  scenes.Teardown();
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
  std::vector<unsigned char> atlas;
  bool written = options.photos.empty() || MakePhotoAtlas(options.photos, &atlas, &error);
  if (!options.photos.empty() && written) runner.scene.ShowAtlas(atlas.data(), photo::kAtlasWidth, photo::kAtlasHeight);
  written = written && RunFrames(
      options, gl, [&](std::int64_t frame) { runner.Step(frame); },
      [&](std::int64_t frame) { runner.Render(frame, options.mirrors); }, &error);
  runner.Finish();
  return written ? 0 : Fail(error);
}
