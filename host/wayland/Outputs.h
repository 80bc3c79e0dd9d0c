#pragma once
// What the Wayland host knows of each output, and the decisions made from it
// alone: which outputs get a surface, the buffer a surface needs at the
// output's scale, and where a pointer on a surface is on the desktop.
#include <cstdint>
#include <string>

#include "host/SaverState.h"

namespace waylandhost {

// The fractional-scale protocol counts scales in 120ths.
constexpr std::int32_t kScaleDenominator = 120;

struct OutputInfo {
  std::uint32_t id = 0;     // the compositor's name for the global
  std::string name;         // "DP-1", "HEADLESS-2": wl_output.name or xdg-output
  std::int32_t x = 0;       // the output's place on the desktop, in logical pixels (xdg-output)
  std::int32_t y = 0;
  std::int32_t scale = 1;   // integer buffer scale (wl_output.scale)
  bool described = false;   // the first wl_output.done has arrived
};

// Whether an output without a surface gets one now: once it is described,
// and, when `only` names an output, only that one.
bool WantsSurface(const OutputInfo& output, const std::string& only);

// The pixel size of the buffer behind a surface of `width` x `height` logical
// pixels. `fraction` is the compositor's preferred scale in 120ths, 0 when it
// gives none: then `scale` (an integer) applies. Never below 1 x 1.
struct BufferSize {
  std::int32_t width = 1;
  std::int32_t height = 1;
};
BufferSize BufferFor(std::int32_t width, std::int32_t height, std::int32_t fraction, std::int32_t scale);

// A pointer at (`sx`, `sy`) on a surface that covers `output`, in desktop
// (logical) pixels, as the close policy measures movement.
CursorPoint DesktopPoint(const OutputInfo& output, double sx, double sy);

}  // namespace waylandhost
