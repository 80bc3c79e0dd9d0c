#pragma once
// The window's scenes with the photos of a folder: a worker makes the photo
// atlases, and before a frame is drawn a finished one is uploaded, on the
// loop's thread, between two frames. Without a folder it only draws.
#include <cstdint>
#include <memory>
#include <string>

#include "host/FramePacer.h"

class SceneSet;
namespace photo {
class PhotoAtlasSource;
struct AtlasSourceOptions;
}

class PhotoFrames : public FrameRenderer {
 public:
  // Starts the worker when `folder` is not empty, with `options` (the
  // platform's reader, a test's waits).
  PhotoFrames(SceneSet& scenes, const std::string& folder, const photo::AtlasSourceOptions& options);
  ~PhotoFrames() override;
  PhotoFrames(const PhotoFrames&) = delete;
  PhotoFrames& operator=(const PhotoFrames&) = delete;
  // Ends the worker at once. Safe to call twice.
  void Stop();

  void RenderFrame(std::uint32_t flags) override;
  std::int32_t SleepMs() override;
  void Resume() override;

 private:
  SceneSet& scenes_;
  std::unique_ptr<photo::PhotoAtlasSource> source_;
};
