#pragma once
// A GL context for render tests, a colour probe and a check of the GL state
// that every frame must leave as it found it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/render/ImageProbes.h"
#include "tools/render/OffscreenGl.h"

// The pixel at (x, y) is within `tolerance` levels of `expected` in every channel.
::testing::AssertionResult ColourNear(const RgbImage& image, std::int32_t x, std::int32_t y, Rgb expected,
                                      int tolerance);

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
