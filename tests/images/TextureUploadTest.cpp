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

  void TearDown() override {
    for (ImageTexture* t : {&atlas, &clouds, &logo}) {
      if (t->textureName != 0) {
        GLuint name = t->textureName;
        glDeleteTextures(1, &name);
      }
    }
    RenderTest::TearDown();
  }

  static GLint LevelParameter(GLint level, GLenum parameter) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
  }

  static GLint TextureParameter(GLenum parameter) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
  }

  ImageTexture atlas, clouds, logo;
};

TEST_F(TextureUpload, AtlasBecomesAMipmappedRgbaTexture) {
  ASSERT_TRUE(LoadWithMask(atlas, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK"));
  EXPECT_NE(atlas.textureName, 0u);
  EXPECT_EQ(atlas.pixels, nullptr) << "pixels are freed after the upload";
  EXPECT_EQ(atlas.width, 1024);
  EXPECT_EQ(atlas.height, 512);
  EXPECT_EQ(atlas.bitsPerPixel, 32);

  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), atlas.textureName) << "left bound";
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 1024);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_HEIGHT), 512);
  const GLint format = LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT);
  EXPECT_TRUE(format == GL_RGBA || format == GL_RGBA8) << format;
  EXPECT_EQ(LevelParameter(10, GL_TEXTURE_WIDTH), 1) << "mipmaps down to 1 x 1";
  EXPECT_EQ(LevelParameter(10, GL_TEXTURE_HEIGHT), 1);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(mode, GL_MODULATE);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4) << "unpack alignment restored";

  // Texel row 0 is the picture's top row: a cell centre is opaque, the
  // corner of the texture (outside the grid) is clear.
  std::vector<unsigned char> texels(1024 * 512 * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_GE(texels[(39 * 1024 + 39) * 4 + 3], 250);
  EXPECT_EQ(texels[(511 * 1024 + 1023) * 4 + 3], 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUpload, GreyImagesBecomeAlphaTexturesWithTheirSamples) {
  ImageTexture decoded;
  ASSERT_TRUE(DecodeImage(decoded, "LOGO_MASK"));
  ASSERT_TRUE(LoadImage(logo, "LOGO_MASK"));
  EXPECT_EQ(logo.bitsPerPixel, 8);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 256);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_HEIGHT), 64);
  const GLint format = LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT);
  EXPECT_TRUE(format == GL_ALPHA || format == GL_ALPHA8) << format;

  std::vector<unsigned char> texels(256 * 64);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
  int worst = 0;
  for (std::size_t i = 0; i < texels.size(); ++i) {
    worst = std::max(worst, std::abs(texels[i] - decoded.pixels[i]));
  }
  EXPECT_LE(worst, 1) << "texels equal the decoded samples, rows in order";
  FreeImagePixels(decoded);

  ASSERT_TRUE(LoadImage(clouds, "CLOUDS_MASK"));
  EXPECT_NE(clouds.textureName, logo.textureName);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 1024);
  EXPECT_EQ(LevelParameter(0, GL_TEXTURE_HEIGHT), 256);
}

TEST_F(TextureUpload, ColourStreamAloneBecomesAnRgbTexture) {
  ASSERT_TRUE(LoadImage(atlas, "JPEG_ZIRBEL_RGB"));
  EXPECT_EQ(atlas.bitsPerPixel, 24);
  const GLint format = LevelParameter(0, GL_TEXTURE_INTERNAL_FORMAT);
  EXPECT_TRUE(format == GL_RGB || format == GL_RGB8) << format;
}

TEST_F(TextureUpload, FailedLoadMakesNoTextureAndTheOthersStillLoad) {
  GLint before = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
  EXPECT_FALSE(LoadImage(logo, "NO_SUCH_LOGO"));
  EXPECT_EQ(logo.textureName, 0u);
  GLint after = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
  EXPECT_EQ(after, before) << "nothing was bound";
  EXPECT_TRUE(LoadWithMask(atlas, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK"));
  EXPECT_TRUE(LoadImage(clouds, "CLOUDS_MASK"));
}

TEST_F(TextureUpload, NothingDecodedMeansNoTexture) {
  ImageTexture empty;
  EXPECT_FALSE(CreateTexture(empty));
  EXPECT_EQ(empty.textureName, 0u);
}

}  // namespace
