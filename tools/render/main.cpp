// zirbel-render: draws frames of the kaleidoscope offscreen and writes them
// as PNG files.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "field/DiscField.h"
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

// Shows the photos of `folder` in the discs, once their first atlas is made.
bool ShowPhotos(SceneRunner& runner, const std::string& folder, std::string* error) {
  photo::PhotoAtlasSource source(folder);
  source.Start();
  std::vector<unsigned char> atlas;
  if (!source.WaitForAtlas(std::chrono::minutes(2)) || !source.TakeAtlas(&atlas) || runner.scene.field == nullptr) {
    *error = "no photo atlas could be made from " + folder;
    return false;
  }
  runner.scene.field->ShowAtlas(atlas.data(), photo::kAtlasWidth, photo::kAtlasHeight);
  return true;
}

bool WriteFrame(const OffscreenGl& gl, const std::string& pattern, std::int64_t frame, std::string* error) {
  std::string path;
  return FormatFramePath(pattern, frame, &path, error) && WritePng(gl.ReadBack(), path, error);
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

  SceneRunner runner;
  runner.Start(options.width, options.height, options.seed);
  runner.scene.levels = options.levels;
  if (!options.photos.empty() && !ShowPhotos(runner, options.photos, &error)) {
    runner.Finish();
    return Fail(error);
  }
  std::unique_ptr<WebpAnimation> animation;
  if (IsAnimationOutput(options.output)) {
    const std::int64_t step = options.every > 0 ? options.every : 1;
    animation.reset(new WebpAnimation(options.animationWidth > 0 ? options.animationWidth : options.width,
                                      options.animationHeight > 0 ? options.animationHeight : options.height,
                                      static_cast<std::int32_t>(1000 * step / 24)));
  }
  const std::int64_t last = options.frames - 1;
  for (std::int64_t frame = 0; frame <= last; ++frame) {
    const bool written =
        frame == last || (frame >= options.firstWritten && options.every > 0 && frame % options.every == 0);
    if (!written) {
      runner.Step(frame);
      continue;
    }
    runner.Render(frame, options.mirrors);
    const bool ok = animation ? animation->Add(gl.ReadBack(), &error) : WriteFrame(gl, options.output, frame, &error);
    if (!ok) {
      runner.Finish();
      return Fail(error);
    }
  }
  runner.Finish();
  if (animation && !animation->Write(options.output, &error)) return Fail(error);
  return 0;
}
