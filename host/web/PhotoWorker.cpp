// The photo worker's program: a small module of its own that the page runs
// in a Web Worker, so that decoding never holds up the page's frames. The
// worker's script (page/photo-worker.js) mounts the picked files, read where
// they lie, and steps the photo steps back to back; each finished atlas is
// posted to the page, which only uploads it between two frames.
#include <emscripten.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "host/web/PhotoSteps.h"

namespace {

// What one step answers the worker's script.
enum StepAnswer { kWorking = 0, kAtlas = 1, kWaiting = 2, kDone = 3 };

struct Worker {
  std::unique_ptr<PhotoSteps> steps;
  std::vector<unsigned char> atlas;
};

Worker& Of() {
  static Worker worker;  // one folder per worker: the page starts a new worker for each pick
  return worker;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void photos_start(const char* folder) {
  const double refreshMs = static_cast<double>(photo::AtlasSourceOptions().refresh.count());
  Of().steps.reset(new PhotoSteps(folder, stderr, refreshMs));
}

// One step at `nowMs`; an atlas is then at photos_atlas(), kAtlasWidth x kAtlasHeight RGBA.
EMSCRIPTEN_KEEPALIVE int photos_step(double nowMs) {
  Worker& w = Of();
  if (!w.steps || w.steps->Done()) return kDone;
  if (w.steps->Waiting(nowMs)) return kWaiting;
  return w.steps->Step(nowMs, &w.atlas) ? kAtlas : kWorking;
}

EMSCRIPTEN_KEEPALIVE const unsigned char* photos_atlas() { return Of().atlas.data(); }
EMSCRIPTEN_KEEPALIVE double photos_next_ms() { return Of().steps ? Of().steps->NextAtlasMs() : 0.0; }
}
