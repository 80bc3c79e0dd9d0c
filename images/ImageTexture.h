#pragma once
#include <cstdint>

// One decoded image; after CreateTexture only its size, format and texture
// name remain.
struct ImageTexture {
  unsigned char* pixels = nullptr;  // owned until CreateTexture frees it
  std::int32_t bitsPerPixel = 0;    // 8 grey, 24 RGB, 32 RGBA
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t textureName = 0;    // 0: no texture
};

// The disc field's three images.
struct TextureSet {
  ImageTexture atlas;
  ImageTexture clouds;
  ImageTexture logo;
};

// Uploads `image` as a mipmapped texture (format chosen by bitsPerPixel),
// stores its name, frees the pixels and answers true. Needs a current GL
// context. An image without pixels or size gets no texture: false.
bool CreateTexture(ImageTexture& image);

// Gives `image` a new picture: `rgba`, width x height RGBA bytes, uploaded
// with its mipmaps into the image's texture (a new one when it has none).
// The record takes the new size and format; it keeps no pixels. Needs a
// current GL context.
void ReplaceTextureImage(ImageTexture& image, const unsigned char* rgba, std::int32_t width, std::int32_t height);
