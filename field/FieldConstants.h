#pragma once
// Values shared by the field's model, dynamics and drawing.
#include <cstdint>

class RandomSource;

namespace field {

constexpr float kArenaRadius = 4.0f;
constexpr float kCycleFactor = 0.0625f;  // 1 / 16 seconds
constexpr float kCycleSeconds = 16.0f;

// Tiles of 78 x 78 pixels, 13 to a row, in an atlas of nominally 1024 x 512.
constexpr std::int32_t kTilePixels = 78;
constexpr std::int32_t kTilesPerRow = 13;
constexpr std::int32_t kNominalAtlasWidth = 1024;
constexpr std::int32_t kNominalAtlasHeight = 512;

// trunc(u * count) for a fresh variate u of `random`, kept below count: u
// reaches 1.0 exactly when the random source yields its largest value.
std::int32_t PickBelow(RandomSource& random, std::int32_t count);

}  // namespace field
