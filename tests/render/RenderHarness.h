#pragma once
// A GL 1.x context for render tests, read-back, probes with tolerances and a
// check of the GL state that every frame must leave as it found it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tools/render/OffscreenGl.h"

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
};

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y);

// The pixel at (x, y) is within `tolerance` levels of `expected` in every channel.
::testing::AssertionResult ColourNear(const RgbImage& image, std::int32_t x, std::int32_t y, Rgb expected,
                                      int tolerance);

// Largest channel difference between two pixels.
int ColourDistance(Rgb a, Rgb b);

// Fraction of the pixels within `radius` pixels of the picture's centre for
// which `keep` answers true (x, y relative to the centre, y up).
double FractionInDisc(const RgbImage& image, double radius, const std::function<bool(double x, double y)>& keep,
                      const std::function<bool(Rgb)>& test);

// Fraction of pixels in the rectangle [x0, x1) x [y0, y1) brighter than
// `threshold` in some channel.
double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold = 16);

// Mirror symmetry of the picture across the line through its centre at
// `degrees` (counter-clockwise from the x axis): the fraction of the sample
// points within `radius` pixels of the centre, for which `keep` answers true,
// whose pixel differs from its mirror image by more than `tolerance` levels.
// With `blur` > 0 both sides are averaged over a square of 2 * blur + 1
// pixels first, for pictures with detail finer than the rasterisation.
double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const std::function<bool(double x, double y)>& keep = nullptr, int blur = 0);

// The average colour of the square of 2 * blur + 1 pixels around (x, y),
// clipped to the picture.
Rgb AverageAround(const RgbImage& image, std::int32_t x, std::int32_t y, int blur);

// Matrix stacks at depth 1, clip planes 0 and 1 off, counter-clockwise front
// faces, and no GL error pending.
::testing::AssertionResult GlStateIsClean();

// A test with a current GL context of Width() x Height() pixels on the X
// display in $DISPLAY (a private Xvfb when DISPLAY is unset). Skipped only
// when no display can be had.
class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual std::int32_t Width() const { return 640; }
  virtual std::int32_t Height() const { return 360; }

  OffscreenGl gl;
};
