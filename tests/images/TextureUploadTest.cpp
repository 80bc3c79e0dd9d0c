#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "images/GL.h"
#include "images/ResourceImageLoader.h"
#include "tests/render/RenderHarness.h"
#include "resources/EmbeddedResources.h"

namespace {

class TextureUpload : public RenderTest {
 protected:
  std::int32_t Width() const override { return 64; }
  std::int32_t Height() const override { return 64; }

  // A parameter of the bound texture, or of its mipmap `level`.
  static GLint Get(GLenum parameter, GLint level = -1) {
    GLint value = -1;
    if (level < 0) glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    if (level >= 0) glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
    return value;
  }
};

// A failed or empty load makes no texture and binds nothing; each image
// becomes a mipmapped texture of its format, its texels the decoded samples.
TEST_F(TextureUpload, EachImageBecomesAMipmappedTextureOfItsFormat) {
  GLint before = 0, after = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &before);
  ImageTexture missing, empty;
  EXPECT_FALSE(LoadImage(missing, "NO_SUCH_LOGO", &FindEmbeddedResource) || CreateTexture(empty));
  EXPECT_TRUE(missing.textureName == 0u && empty.textureName == 0u);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &after);
  EXPECT_EQ(after, before) << "nothing was bound";
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
    ASSERT_TRUE(row.mask ? LoadWithMask(image, row.colour, row.mask, &FindEmbeddedResource)
                         : LoadImage(image, row.colour, &FindEmbeddedResource));
    EXPECT_TRUE(image.textureName != 0 && image.pixels == nullptr) << "uploaded, pixels freed";
    EXPECT_TRUE(image.bitsPerPixel == row.bits && image.width == row.width && image.height == row.height);
    GLint bound = 0, mode = 0, alignment = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), image.textureName) << "left bound";
    EXPECT_TRUE(Get(GL_TEXTURE_WIDTH, 0) == row.width && Get(GL_TEXTURE_HEIGHT, 0) == row.height);
    const GLint format = Get(GL_TEXTURE_INTERNAL_FORMAT, 0);
    EXPECT_TRUE(format == row.format || format == row.sizedFormat) << format;
    EXPECT_TRUE(Get(GL_TEXTURE_WIDTH, row.lastLevel) == 1 && Get(GL_TEXTURE_HEIGHT, row.lastLevel) == 1)
        << "mipmaps down to 1 x 1";
    EXPECT_TRUE(Get(GL_TEXTURE_MIN_FILTER) == GL_LINEAR_MIPMAP_LINEAR &&
                Get(GL_TEXTURE_MAG_FILTER) == GL_LINEAR && Get(GL_TEXTURE_WRAP_S) == GL_REPEAT &&
                Get(GL_TEXTURE_WRAP_T) == GL_REPEAT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_TRUE(mode == GL_MODULATE && alignment == 4) << "modulate; unpack alignment restored";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    if (row.colour == std::string("LOGO_MASK")) {  // rows in order
      ImageTexture decoded;
      ASSERT_TRUE(DecodeImage(decoded, "LOGO_MASK", &FindEmbeddedResource));
      std::vector<unsigned char> texels(256 * 64);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
      int worst = 0;
      for (std::size_t i = 0; i < texels.size(); ++i) worst = std::max(worst, std::abs(texels[i] - decoded.pixels[i]));
      EXPECT_LE(worst, 1) << "texels equal the decoded samples, rows in order";
      FreeImagePixels(decoded);
    }
    glDeleteTextures(1, &image.textureName);
  }
}

}  // namespace
