#pragma once
// The command line of the offscreen renderer.
#include <cstdint>
#include <string>
#include <vector>

#include "host/Monitors.h"

struct RenderOptions {
  std::int32_t width = 1920;
  std::int32_t height = 1080;
  std::uint32_t seed = 1;
  std::int64_t frames = 1;  // frames 0 .. frames - 1 are run; the last is written
  std::int64_t every = 0;   // > 0: also write every `every`-th frame
  std::int64_t firstWritten = 0;  // frames before it are run but not written
  std::int32_t levels = 1;
  bool mirrors = true;
  std::string output = "zirbel.png";
  // A window spanning these monitors (its size their bounding box from the
  // origin), a kaleidoscope on each; empty: one scene fills the picture.
  std::vector<Monitor> monitors;
  std::string photos;               // a photo folder for the discs; empty: the built-in pictures
  std::int32_t animationWidth = 0;  // an animated WebP output's size; 0: the picture's
  std::int32_t animationHeight = 0;
  bool help = false;
};

// Parses the arguments after the program name. False with a message naming
// the bad option or value.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions* options, std::string* error);

// The path for frame `frame`: `pattern` with its one %d-style conversion
// (%d, %4d, %04d) filled in and %% made %. A pattern without a conversion is
// the path itself. False for any other use of %, or for two conversions.
bool FormatFramePath(const std::string& pattern, std::int64_t frame, std::string* path, std::string* error);
// Whether `pattern` holds a frame number conversion.
bool PatternHasFrameNumber(const std::string& pattern);
// Whether the output is an animated WebP (a path ending in .webp): every
// written frame becomes one frame of it.
bool IsAnimationOutput(const std::string& output);

extern const char kRenderUsage[];
