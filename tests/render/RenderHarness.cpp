#include "tests/render/RenderHarness.h"

#include "images/GL.h"

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

::testing::AssertionResult GlStateIsClean() {
  GLint modelview = 0, projection = 0, texture = 0, front = 0, mode = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelview);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projection);
  glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &texture);
  glGetIntegerv(GL_FRONT_FACE, &front);
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  const bool plane0 = glIsEnabled(GL_CLIP_PLANE0) != GL_FALSE, plane1 = glIsEnabled(GL_CLIP_PLANE1) != GL_FALSE;
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
