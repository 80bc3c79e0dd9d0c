#include "host/wayland/Outputs.h"

#include <cmath>

namespace waylandhost {

bool WantsSurface(const OutputInfo& output, const std::string& only) {
  return output.described && (only.empty() || output.name == only);
}

namespace {

// One side at the given scale: 120ths are rounded half away from zero, as
// the protocol asks; an integer scale multiplies.
std::int32_t Scaled(std::int32_t size, std::int32_t fraction, std::int32_t scale) {
  std::int64_t pixels = 0;
  if (fraction > 0) {
    pixels = (static_cast<std::int64_t>(size) * fraction + kScaleDenominator / 2) / kScaleDenominator;
  } else {
    pixels = static_cast<std::int64_t>(size) * (scale > 0 ? scale : 1);
  }
  if (pixels < 1) return 1;
  return pixels > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(pixels);
}

}  // namespace

BufferSize BufferFor(std::int32_t width, std::int32_t height, std::int32_t fraction, std::int32_t scale) {
  return BufferSize{Scaled(width, fraction, scale), Scaled(height, fraction, scale)};
}

CursorPoint DesktopPoint(const OutputInfo& output, double sx, double sy) {
  CursorPoint point;
  point.x = output.x + static_cast<std::int32_t>(std::floor(sx));
  point.y = output.y + static_cast<std::int32_t>(std::floor(sy));
  return point;
}

}  // namespace waylandhost
