// zirbel-render: draws frames of the kaleidoscope offscreen and writes them
// as PNG files.
#include <cstdio>
#include <string>
#include <vector>

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
  const std::int64_t last = options.frames - 1;
  for (std::int64_t frame = 0; frame <= last; ++frame) {
    const bool written = frame == last || (options.every > 0 && frame % options.every == 0);
    if (!written) {
      runner.Step(frame);
      continue;
    }
    runner.Render(frame, options.mirrors);
    if (!WriteFrame(gl, options.output, frame, &error)) {
      runner.Finish();
      return Fail(error);
    }
  }
  runner.Finish();
  return 0;
}
