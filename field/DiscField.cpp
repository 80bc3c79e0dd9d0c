// The disc field's model: construction, placing the discs, renewing their
// tiles, and the tear-down.
#include "field/DiscField.h"

#include <cmath>
#include <new>

#include "field/FieldConstants.h"
#include "images/GL.h"

namespace field {

std::int32_t PickBelow(RandomSource& random, std::int32_t count) {
  if (count <= 0) return 0;
  const auto pick = static_cast<std::int32_t>(random.UniformVariate() * static_cast<float>(count));
  return pick < count ? pick : count - 1;
}

}  // namespace field

DiscField::DiscField(FieldDriver* owner) : scene(owner) {
  uniformTile = field::PickBelow(Random(), 2) == 0;
}

DiscField::~DiscField() {
  ReleaseTextures();
  delete[] discs;
  discs = nullptr;
}

void DiscField::ReleaseTextures() {
  if (textures == nullptr) return;
  // All three go back: a process may set up several fields on one rendering
  // context (a preview that restarts, the tests), and textures left behind
  // would pile up until the context ends.
  const GLuint names[3] = {textures->atlas.textureName, textures->clouds.textureName, textures->logo.textureName};
  for (GLuint name : names) {
    if (name != 0) glDeleteTextures(1, &name);
  }
  delete textures;
  textures = nullptr;
}

bool DiscField::AllocateDiscs() {
  if (discs == nullptr) discs = new (std::nothrow) Disc[kDiscCount];
  return discs != nullptr;
}

void DiscField::SetUpWithoutImages() {
  sharedTile = field::PickBelow(Random(), tileCount);
  if (!AllocateDiscs()) return;
  ResetDiscs();
}

void DiscField::ResetDiscs() {
  if (discs == nullptr) return;
  for (int i = 0; i < kDiscCount; ++i) discs[i].Reset(*this, i);
}

void Disc::Reset(const DiscField& owner, int index) {
  RandomSource& random = owner.Random();
  const float angle = random.UniformVariate() * 6.28318f;
  const float distance = field::kArenaRadius * random.UniformVariate();
  position.Set(distance * std::cos(angle), distance * std::sin(angle), 0.0f);
  velocity.Set(0.0f, 0.0f, 0.0f);
  force.Set(0.0f, 0.0f, 0.0f);
  radius = 0.2f + 0.4f * random.UniformVariate();
  phase = static_cast<float>(index) * (1.0f / 60.0f);
  Renew(owner);
}

void Disc::Renew(const DiscField& owner) {
  const float now = owner.scene != nullptr ? owner.scene->elapsedSeconds : 0.0f;
  birthTime = now - phase * field::kCycleSeconds;
  tile = owner.uniformTile ? owner.sharedTile : field::PickBelow(owner.Random(), owner.tileCount);

  // An atlas that failed to load has no size: keep the nominal tile layout so
  // that the coordinates stay finite.
  std::int32_t width = field::kNominalAtlasWidth;
  std::int32_t height = field::kNominalAtlasHeight;
  if (owner.textures != nullptr && owner.textures->atlas.width > 0 && owner.textures->atlas.height > 0) {
    width = owner.textures->atlas.width;
    height = owner.textures->atlas.height;
  }
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);
  tileU = static_cast<float>((tile % field::kTilesPerRow) * field::kTilePixels) / w;
  tileV = static_cast<float>((tile / field::kTilesPerRow) * field::kTilePixels) / h;
  tileWidth = static_cast<float>(field::kTilePixels) / w;
  tileHeight = static_cast<float>(field::kTilePixels) / h;
  rotation = 360.0f * owner.Random().UniformVariate();
}
