#include "tests/render/RenderHarness.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "images/GL.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

Rgb PixelAt(const RgbImage& image, std::int32_t x, std::int32_t y) {
  const unsigned char* p = image.At(x, y);
  return Rgb{p[0], p[1], p[2]};
}

int ColourDistance(Rgb a, Rgb b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

::testing::AssertionResult ColourNear(const RgbImage& image, std::int32_t x, std::int32_t y, Rgb expected,
                                      int tolerance) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
    return ::testing::AssertionFailure() << "(" << x << ", " << y << ") lies outside the picture";
  }
  const Rgb got = PixelAt(image, x, y);
  if (ColourDistance(got, expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << got.r << ", " << got.g << ", "
                                       << got.b << "), expected (" << expected.r << ", " << expected.g << ", "
                                       << expected.b << ") within " << tolerance;
}

double FractionInDisc(const RgbImage& image, double radius, const std::function<bool(double, double)>& keep,
                      const std::function<bool(Rgb)>& test) {
  const double cx = image.width / 2.0;
  const double cy = image.height / 2.0;
  long total = 0, hits = 0;
  for (std::int32_t y = 0; y < image.height; ++y) {
    for (std::int32_t x = 0; x < image.width; ++x) {
      const double dx = x + 0.5 - cx;
      const double dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius || (keep && !keep(dx, dy))) continue;
      ++total;
      if (test(PixelAt(image, x, y))) ++hits;
    }
  }
  return total ? static_cast<double>(hits) / static_cast<double>(total) : 0.0;
}

double NotBlackFraction(const RgbImage& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        int threshold) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, image.width);
  y1 = std::min(y1, image.height);
  long total = 0, lit = 0;
  for (std::int32_t y = y0; y < y1; ++y) {
    for (std::int32_t x = x0; x < x1; ++x) {
      const Rgb p = PixelAt(image, x, y);
      ++total;
      if (std::max({p.r, p.g, p.b}) > threshold) ++lit;
    }
  }
  return total ? static_cast<double>(lit) / static_cast<double>(total) : 0.0;
}

Rgb AverageAround(const RgbImage& image, std::int32_t x, std::int32_t y, int blur) {
  int r = 0, g = 0, b = 0, n = 0;
  for (std::int32_t v = std::max(y - blur, 0); v <= std::min(y + blur, image.height - 1); ++v) {
    for (std::int32_t u = std::max(x - blur, 0); u <= std::min(x + blur, image.width - 1); ++u) {
      const Rgb p = PixelAt(image, u, v);
      r += p.r;
      g += p.g;
      b += p.b;
      ++n;
    }
  }
  return n ? Rgb{r / n, g / n, b / n} : Rgb{};
}

double AsymmetricFraction(const RgbImage& image, double degrees, double radius, int tolerance,
                          const std::function<bool(double, double)>& keep, int blur) {
  const double cx = image.width / 2.0;
  const double cy = image.height / 2.0;
  const double t = 2.0 * degrees * kPi / 180.0;
  const double c = std::cos(t), s = std::sin(t);
  long total = 0, bad = 0;
  // Every second pixel in each direction is plenty and keeps the probes quick.
  for (std::int32_t y = 0; y < image.height; y += 2) {
    for (std::int32_t x = 0; x < image.width; x += 2) {
      const double dx = x + 0.5 - cx;
      const double dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius || (keep && !keep(dx, dy))) continue;
      // Reflection across the line at `degrees`: [cos 2t, sin 2t; sin 2t, -cos 2t].
      const double mx = c * dx + s * dy;
      const double my = s * dx - c * dy;
      const auto px = static_cast<std::int32_t>(std::floor(mx + cx));
      const auto py = static_cast<std::int32_t>(std::floor(my + cy));
      if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
      ++total;
      if (ColourDistance(AverageAround(image, x, y, blur), AverageAround(image, px, py, blur)) > tolerance) ++bad;
    }
  }
  return total ? static_cast<double>(bad) / static_cast<double>(total) : 1.0;
}

::testing::AssertionResult GlStateIsClean() {
  GLint modelview = 0, projection = 0, texture = 0, front = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelview);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projection);
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &texture);
  glGetIntegerv(GL_FRONT_FACE, &front);
  const bool plane0 = glIsEnabled(GL_CLIP_PLANE0) != GL_FALSE;
  const bool plane1 = glIsEnabled(GL_CLIP_PLANE1) != GL_FALSE;
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  const GLenum error = glGetError();
  if (modelview == 1 && projection == 1 && texture == 1 && front == GL_CCW && !plane0 && !plane1 &&
      mode == GL_MODELVIEW && error == GL_NO_ERROR) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "modelview depth " << modelview << ", projection depth " << projection
                                       << ", texture depth " << texture << ", front face 0x" << std::hex << front
                                       << ", matrix mode 0x" << mode << std::dec << ", clip plane 0 "
                                       << (plane0 ? "on" : "off") << ", clip plane 1 " << (plane1 ? "on" : "off")
                                       << ", GL error 0x" << std::hex << error;
}

void RenderTest::SetUp() {
  std::string why;
  if (!EnsureDisplay(&why)) GTEST_SKIP() << "no X display for GL: " << why;
  std::string error;
  ASSERT_TRUE(gl.Open(Width(), Height(), &error)) << error;
}

void RenderTest::TearDown() { gl.Close(); }
