#pragma once
// A GL 1.x context on a double-buffered GLX window of a chosen size, for
// drawing frames away from the saver: the offscreen renderer, the render tests
// and the benchmarks.
#include <cstdint>
#include <string>

#include "tools/render/RgbImage.h"

// Makes sure $DISPLAY names a display that answers. When DISPLAY is unset it
// starts a private Xvfb on a free display number (kept for the rest of the
// process) and points DISPLAY at it. False, with the reason, when no display
// can be had.
bool EnsureDisplay(std::string* why);

class OffscreenGl {
 public:
  OffscreenGl() = default;
  ~OffscreenGl();
  OffscreenGl(const OffscreenGl&) = delete;
  OffscreenGl& operator=(const OffscreenGl&) = delete;

  // Opens the display, creates the window with a double-buffered RGBA visual
  // and makes a GL context current on it.
  bool Open(std::int32_t width, std::int32_t height, std::string* error);
  void Close();

  // Reads the back buffer (what was drawn and not yet swapped).
  RgbImage ReadBack() const;

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  void* display_ = nullptr;  // Display*
  unsigned long window_ = 0;
  unsigned long colormap_ = 0;
  void* context_ = nullptr;  // GLXContext
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};
