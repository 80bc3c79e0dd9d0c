#pragma once
// The frame clock's counter in the browser: performance.now(), in
// microseconds. The page makes one and hands it to its scenes.
#include <emscripten.h>

#include <cstdint>

#include "scene/FrameClock.h"

class PageCounter : public CounterSource {
 public:
  std::int64_t Frequency() override { return 1000000; }
  std::int64_t Value() override { return static_cast<std::int64_t>(emscripten_get_now() * 1000.0); }
};
