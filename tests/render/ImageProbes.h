#pragma once
// Probes on RGB pictures for the render tests and the end-to-end symmetry
// check; no GL, no test framework. Coordinates are pixel columns and rows.
#include <cstdint>
#include <functional>

#include "tools/render/RgbImage.h"

struct Rgb {
  int r = 0, g = 0, b = 0;
};

constexpr double kPi = 3.14159265358979323846;

constexpr double Radians(double degrees) { return degrees * kPi / 180.0; }

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y);

// The pixel `radius` pixels from the centre at `degrees` (counter-clockwise when row 0 is the bottom).
Rgb PixelAtPolar(const RgbImage& image, double radius, double degrees);

// Largest channel difference between two pixels.
int ColourDistance(Rgb a, Rgb b);

// A point relative to the picture's centre (x right, y along the rows).
using PointFilter = std::function<bool(double x, double y)>;

// Of every `step`-th pixel within `radius` of the centre that `keep` (when
// given) passes, the fraction whose brightest channel exceeds `threshold`.
double LitFraction(const RgbImage& image, double radius, int threshold = 24, const PointFilter& keep = nullptr,
                   int step = 1);

// Fraction of pixels in [x0, x1) x [y0, y1) brighter than `threshold` in some channel.
double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold = 16);

// Fraction of the points sampled as for LitFraction where two pictures differ by more than `tolerance`.
double DifferentFraction(const RgbImage& a, const RgbImage& b, double radius, int tolerance, int step = 2);

// Of the points sampled as for LitFraction, the fraction that differs by more than
// `tolerance` levels from its mirror image across the line through the
// centre at `degrees` (counter-clockwise from the x axis); with `blur` > 0
// both sides are averaged over squares of 2 * blur + 1 pixels first.
double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const PointFilter& keep = nullptr, int blur = 0, int step = 2);
