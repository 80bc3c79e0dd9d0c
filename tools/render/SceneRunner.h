#pragma once
// Drives a scene frame by frame at the saver's pace without a wall clock: a
// manual counter moves 1/24 s per frame, so the motion is the saver's own.
// The images are the ones linked into the program.
#include <cstdint>

#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"
#include "scene/SceneSources.h"

class SceneRunner {
 public:
  static constexpr std::int64_t kCountsPerFrame = 1000;
  static constexpr std::int64_t kFrequency = 24 * kCountsPerFrame;

  // Needs a current GL context of the given size.
  void Start(std::int32_t width, std::int32_t height, std::uint32_t seed);
  // Frame `frame` (0, 1, ...) ticks at frame / 24 s. Steps the clock and the
  // field without drawing.
  void Step(std::int64_t frame);
  // Steps and draws frame `frame` into the back buffer.
  void Render(std::int64_t frame, bool mirrors);
  // Puts the counter at `seconds` and draws one frame there (no stepping).
  void RenderAtSeconds(double seconds, bool mirrors);
  void Finish();

  // A counter at frame 0 with the embedded images.
  static SceneSources Sources(ManualCounter* counter);

  KaleidoScene scene;
  ManualCounter counter;
};
