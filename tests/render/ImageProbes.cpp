#include "tests/render/ImageProbes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int Brightest(Rgb p) { return std::max({p.r, p.g, p.b}); }

// Channel sums over the square of 2 * blur + 1 pixels around (x, y), the
// edge pixels repeated beyond the picture.
Rgb SumAround(const RgbImage& image, std::int32_t x, std::int32_t y, int blur) {
  Rgb sum;
  for (int dy = -blur; dy <= blur; ++dy) {
    for (int dx = -blur; dx <= blur; ++dx) {
      const Rgb p = PixelAt(image, std::clamp(x + dx, 0, image.width - 1), std::clamp(y + dy, 0, image.height - 1));
      sum = Rgb{sum.r + p.r, sum.g + p.g, sum.b + p.b};
    }
  }
  return sum;
}

// Of every `step`-th pixel within `radius` of the centre that `keep` passes,
// the fraction for which `test` (pixel, offset from the centre) answers 1
// among those it answers 0 or 1; -1 leaves a point out.
template <typename Test>
double FractionInDisc(const RgbImage& image, double radius, const PointFilter& keep, int step, Test test,
                      double none = 0.0) {
  long total = 0, hits = 0;
  for (std::int32_t y = 0; y < image.height; y += step) {
    for (std::int32_t x = 0; x < image.width; x += step) {
      const double dx = x + 0.5 - image.width / 2.0, dy = y + 0.5 - image.height / 2.0;
      if (dx * dx + dy * dy > radius * radius || (keep && !keep(dx, dy))) continue;
      const int answer = test(x, y, dx, dy);
      total += answer >= 0 ? 1 : 0;
      hits += answer > 0 ? 1 : 0;
    }
  }
  return total ? static_cast<double>(hits) / static_cast<double>(total) : none;
}

}  // namespace

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y) {
  const unsigned char* p = image.At(x, y);
  return Rgb{p[0], p[1], p[2]};
}

Rgb PixelAtPolar(const RgbImage& image, double radius, double degrees) {
  return PixelAt(image, static_cast<std::int32_t>(image.width / 2.0 + radius * std::cos(Radians(degrees))),
                 static_cast<std::int32_t>(image.height / 2.0 + radius * std::sin(Radians(degrees))));
}

int ColourDistance(Rgb a, Rgb b) {
  return Brightest(Rgb{std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

double LitFraction(const RgbImage& image, double radius, int threshold, const PointFilter& keep, int step) {
  return FractionInDisc(image, radius, keep, step, [&](std::int32_t x, std::int32_t y, double, double) {
    return Brightest(PixelAt(image, x, y)) > threshold;
  });
}

double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold) {
  long total = 0, lit = 0;
  for (std::int32_t y = std::max(y0, 0); y < std::min(y1, image.height); ++y) {
    for (std::int32_t x = std::max(x0, 0); x < std::min(x1, image.width); ++x, ++total) {
      lit += Brightest(PixelAt(image, x, y)) > threshold ? 1 : 0;
    }
  }
  return total ? static_cast<double>(lit) / static_cast<double>(total) : 0.0;
}

double DifferentFraction(const RgbImage& a, const RgbImage& b, double radius, int tolerance, int step) {
  return FractionInDisc(a, radius, nullptr, step, [&](std::int32_t x, std::int32_t y, double, double) {
    return ColourDistance(PixelAt(a, x, y), PixelAt(b, x, y)) > tolerance;
  });
}

double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const PointFilter& keep, int blur, int step) {
  // Reflection across the line at `degrees`: [cos 2t, sin 2t; sin 2t, -cos 2t].
  const double t = Radians(2.0 * degrees), c = std::cos(t), s = std::sin(t);
  const int area = (2 * blur + 1) * (2 * blur + 1);
  return FractionInDisc(
      image, radius, keep, step,
      [&](std::int32_t x, std::int32_t y, double dx, double dy) {
        const auto px = static_cast<std::int32_t>(std::floor(c * dx + s * dy + image.width / 2.0));
        const auto py = static_cast<std::int32_t>(std::floor(s * dx - c * dy + image.height / 2.0));
        if (px < 0 || py < 0 || px >= image.width || py >= image.height) return -1;
        return ColourDistance(SumAround(image, x, y, blur), SumAround(image, px, py, blur)) / area > tolerance ? 1 : 0;
      },
      1.0);
}
