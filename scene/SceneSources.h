#pragma once
// What a scene reads from outside, handed in by its owner: the counter its
// frame clock reads and where its field finds the embedded images. The entry
// makes the platform's; the offscreen renderer, the tests and the benchmarks
// hand in their own.
#include "images/ResourceImageLoader.h"
#include "scene/FrameClock.h"

struct SceneSources {
  CounterSource* counter = nullptr;      // not owned; null: the scene's time stays at 0
  ImageResourceFinder images = nullptr;  // null: no image is found
};
