#include "images/ImageTexture.h"

#include <cstdlib>

#include "images/GL.h"

namespace {

GLenum TextureFormat(std::int32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8:
    case 16:
      return GL_ALPHA;  // the sample becomes the texel's alpha
    case 24:
      return GL_RGB;
    default:
      return GL_RGBA;
  }
}

}  // namespace

namespace {

// Uploads the pixels with their mipmaps into the bound texture.
void Upload(const ImageTexture& image, const unsigned char* pixels) {
  const GLenum format = TextureFormat(image.bitsPerPixel);
  // Rows are packed without padding; grey images of other widths need byte
  // alignment. Restored afterwards so the rest of the program sees the default.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), image.width, image.height, 0, format,
               GL_UNSIGNED_BYTE, pixels);
  gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), image.width, image.height, format,
                    GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void NewTexture(ImageTexture& image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  image.textureName = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

}  // namespace

bool CreateTexture(ImageTexture& image) {
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) {
    return false;  // nothing decoded: no texture
  }
  NewTexture(image);
  Upload(image, image.pixels);
  std::free(image.pixels);
  image.pixels = nullptr;
  return true;
}

void ReplaceTextureImage(ImageTexture& image, const unsigned char* rgba, std::int32_t width, std::int32_t height) {
  if (rgba == nullptr || width <= 0 || height <= 0) return;
  std::free(image.pixels);
  image.pixels = nullptr;
  image.width = width;
  image.height = height;
  image.bitsPerPixel = 32;
  if (image.textureName == 0) {
    NewTexture(image);
  } else {
    glBindTexture(GL_TEXTURE_2D, image.textureName);
  }
  Upload(image, rgba);
}
