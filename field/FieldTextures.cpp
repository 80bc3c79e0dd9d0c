// Set-up with a rendering context: the field's images and the clear colour.
#include <new>

#include "field/DiscField.h"
#include "field/FieldConstants.h"
#include "images/GL.h"
#include "images/ResourceImageLoader.h"

void DiscField::SetUp(ImageResourceFinder find) {
  sharedTile = field::PickBelow(Random(), tileCount);
  const bool haveDiscs = AllocateDiscs();
  LoadTextures(find);
  // The tile rectangles depend on the atlas size, so the discs come after it.
  if (haveDiscs) ResetDiscs();
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

void DiscField::ShowAtlas(const unsigned char* rgba, std::int32_t width, std::int32_t height) {
  if (textures == nullptr) textures = new (std::nothrow) TextureSet();
  if (textures != nullptr) ReplaceTextureImage(textures->atlas, rgba, width, height);
}

void DiscField::LoadTextures(ImageResourceFinder find) {
  ReleaseTextures();  // a second load replaces the first
  textures = new (std::nothrow) TextureSet();
  if (textures != nullptr) {
    LoadWithMask(textures->atlas, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", find);
    LoadImage(textures->clouds, "CLOUDS_MASK", find);
    LoadImage(textures->logo, "LOGO_MASK", find);
  }
  glDisable(GL_LIGHTING);
}
