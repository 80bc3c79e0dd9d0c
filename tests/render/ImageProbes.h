#pragma once
// Probes on RGB pictures, for the render tests and the end-to-end symmetry
// check: colours at points, lit fractions, mirror symmetry. No GL, no test
// framework. Coordinates are pixel columns and rows; the probes are the same
// whichever end row 0 lies at.
#include <cstdint>
#include <functional>

#include "tools/render/RgbImage.h"

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
};

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y);

// Largest channel difference between two pixels.
int ColourDistance(Rgb a, Rgb b);

// A point relative to the picture's centre (x right, y along the rows).
using PointFilter = std::function<bool(double x, double y)>;

// Fraction of the pixels sampled every `step` pixels within `radius` pixels
// of the centre, for which `keep` (when given) answers true, whose brightest
// channel exceeds `threshold`.
double LitFraction(const RgbImage& image, double radius, int threshold = 24, const PointFilter& keep = nullptr,
                   int step = 1);

// Fraction of pixels in the rectangle [x0, x1) x [y0, y1) brighter than
// `threshold` in some channel.
double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold = 16);

// Fraction of the points sampled every `step` pixels within `radius` pixels
// of the centre where two pictures of one size differ by more than
// `tolerance` levels.
double DifferentFraction(const RgbImage& a, const RgbImage& b, double radius, int tolerance, int step = 2);

// Mirror symmetry across the line through the centre at `degrees`
// (counter-clockwise from the x axis): of the points sampled every `step`
// pixels within `radius` pixels of the centre (and passed by `keep`), the
// fraction that differs from its mirror image by more than `tolerance`
// levels. With `blur` > 0 both sides are averaged over a square of
// 2 * blur + 1 pixels first (edges repeated), for pictures with detail finer
// than the rasterisation.
double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const PointFilter& keep = nullptr, int blur = 0, int step = 2);
