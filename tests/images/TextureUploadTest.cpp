// The loads with the upload, on a GL context: texture format, size, mipmap
// chain, parameters, and the texels against the decoded samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "images/GL.h"
#include "images/ResourceImageLoader.h"
#include "tests/render/RenderHarness.h"

namespace {

class TextureUpload : public RenderTest {
 protected:
  std::int32_t Width() const override { return 64; }
  std::int32_t Height() const override { return 64; }

  static GLint Level(GLint level, GLenum parameter) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
  }
  static GLint Parameter(GLenum parameter) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
  }
};

TEST_F(TextureUpload, EachImageBecomesAMipmappedTextureOfItsFormat) {
  const struct {
    const char* colour;
    const char* mask;  // null: LoadImage
    int bits, width, height, lastLevel;
    GLint format, sizedFormat;
  } rows[] = {{"JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", 32, 1024, 512, 10, GL_RGBA, GL_RGBA8},
              {"JPEG_ZIRBEL_RGB", nullptr, 24, 1024, 512, 10, GL_RGB, GL_RGB8},
              {"CLOUDS_MASK", nullptr, 8, 1024, 256, 10, GL_ALPHA, GL_ALPHA8},
              {"LOGO_MASK", nullptr, 8, 256, 64, 8, GL_ALPHA, GL_ALPHA8}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.colour);
    ImageTexture image;
    ASSERT_TRUE(row.mask ? LoadWithMask(image, row.colour, row.mask) : LoadImage(image, row.colour));
    EXPECT_NE(image.textureName, 0u);
    EXPECT_EQ(image.pixels, nullptr) << "pixels are freed after the upload";
    EXPECT_EQ(image.bitsPerPixel, row.bits);
    EXPECT_EQ(image.width, row.width);
    EXPECT_EQ(image.height, row.height);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), image.textureName) << "left bound";
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), row.width);
    EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), row.height);
    const GLint format = Level(0, GL_TEXTURE_INTERNAL_FORMAT);
    EXPECT_TRUE(format == row.format || format == row.sizedFormat) << format;
    EXPECT_EQ(Level(row.lastLevel, GL_TEXTURE_WIDTH), 1) << "mipmaps down to 1 x 1";
    EXPECT_EQ(Level(row.lastLevel, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    GLint mode = 0, alignment = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "unpack alignment restored";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLuint name = image.textureName;
    glDeleteTextures(1, &name);
  }
}

TEST_F(TextureUpload, TexelsAreTheDecodedSamplesTopRowFirst) {
  ImageTexture decoded, logo;
  ASSERT_TRUE(DecodeImage(decoded, "LOGO_MASK"));
  ASSERT_TRUE(LoadImage(logo, "LOGO_MASK"));
  std::vector<unsigned char> texels(256 * 64);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
  int worst = 0;
  for (std::size_t i = 0; i < texels.size(); ++i) worst = std::max(worst, std::abs(texels[i] - decoded.pixels[i]));
  EXPECT_LE(worst, 1) << "texels equal the decoded samples, rows in order";
  FreeImagePixels(decoded);
  GLuint name = logo.textureName;
  glDeleteTextures(1, &name);
}

TEST_F(TextureUpload, FailedOrEmptyLoadMakesNoTextureAndBindsNothing) {
  GLint before = 0, after = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
  ImageTexture logo, empty;
  EXPECT_FALSE(LoadImage(logo, "NO_SUCH_LOGO"));
  EXPECT_EQ(logo.textureName, 0u);
  EXPECT_FALSE(CreateTexture(empty));
  EXPECT_EQ(empty.textureName, 0u);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
  EXPECT_EQ(after, before) << "nothing was bound";
}

}  // namespace
