#include "tests/render/ImageProbes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Channel sums over the square of 2 * blur + 1 pixels around (x, y), the
// picture's edge pixels repeated beyond it.
Rgb SumAround(const RgbImage& image, std::int32_t x, std::int32_t y, int blur) {
  Rgb sum;
  for (int dy = -blur; dy <= blur; ++dy) {
    for (int dx = -blur; dx <= blur; ++dx) {
      const Rgb p = PixelAt(image, std::clamp(x + dx, 0, image.width - 1), std::clamp(y + dy, 0, image.height - 1));
      sum.r += p.r;
      sum.g += p.g;
      sum.b += p.b;
    }
  }
  return sum;
}

// Calls `visit` with the pixel and its offset from the centre for every
// `step`-th pixel within `radius` of the centre that `keep` passes.
template <typename Visit>
void ForEachInDisc(const RgbImage& image, double radius, const PointFilter& keep, int step, Visit visit) {
  const double cx = image.width / 2.0;
  const double cy = image.height / 2.0;
  for (std::int32_t y = 0; y < image.height; y += step) {
    for (std::int32_t x = 0; x < image.width; x += step) {
      const double dx = x + 0.5 - cx;
      const double dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius || (keep && !keep(dx, dy))) continue;
      visit(x, y, dx, dy);
    }
  }
}

}  // namespace

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y) {
  const unsigned char* p = image.At(x, y);
  return Rgb{p[0], p[1], p[2]};
}

int ColourDistance(Rgb a, Rgb b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

double LitFraction(const RgbImage& image, double radius, int threshold, const PointFilter& keep, int step) {
  long total = 0, lit = 0;
  ForEachInDisc(image, radius, keep, step, [&](std::int32_t x, std::int32_t y, double, double) {
    const Rgb p = PixelAt(image, x, y);
    ++total;
    if (std::max({p.r, p.g, p.b}) > threshold) ++lit;
  });
  return total ? static_cast<double>(lit) / static_cast<double>(total) : 0.0;
}

double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold) {
  long total = 0, lit = 0;
  for (std::int32_t y = std::max(y0, 0); y < std::min(y1, image.height); ++y) {
    for (std::int32_t x = std::max(x0, 0); x < std::min(x1, image.width); ++x) {
      const Rgb p = PixelAt(image, x, y);
      ++total;
      if (std::max({p.r, p.g, p.b}) > threshold) ++lit;
    }
  }
  return total ? static_cast<double>(lit) / static_cast<double>(total) : 0.0;
}

double DifferentFraction(const RgbImage& a, const RgbImage& b, double radius, int tolerance, int step) {
  long total = 0, different = 0;
  ForEachInDisc(a, radius, nullptr, step, [&](std::int32_t x, std::int32_t y, double, double) {
    ++total;
    if (ColourDistance(PixelAt(a, x, y), PixelAt(b, x, y)) > tolerance) ++different;
  });
  return total ? static_cast<double>(different) / static_cast<double>(total) : 0.0;
}

double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const PointFilter& keep, int blur, int step) {
  // Reflection across the line at `degrees`: [cos 2t, sin 2t; sin 2t, -cos 2t].
  const double t = 2.0 * degrees * kPi / 180.0;
  const double c = std::cos(t), s = std::sin(t);
  const int area = (2 * blur + 1) * (2 * blur + 1);
  long total = 0, bad = 0;
  ForEachInDisc(image, radius, keep, step, [&](std::int32_t x, std::int32_t y, double dx, double dy) {
    const auto px = static_cast<std::int32_t>(std::floor(c * dx + s * dy + image.width / 2.0));
    const auto py = static_cast<std::int32_t>(std::floor(s * dx - c * dy + image.height / 2.0));
    if (px < 0 || py < 0 || px >= image.width || py >= image.height) return;
    ++total;
    const Rgb a = SumAround(image, x, y, blur), b = SumAround(image, px, py, blur);
    const int distance = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}) / area;
    if (distance > tolerance) ++bad;
  });
  return total ? static_cast<double>(bad) / static_cast<double>(total) : 1.0;
}
