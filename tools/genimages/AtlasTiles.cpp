#include "AtlasTiles.h"

#include <cmath>

#include "TilePainters.h"

namespace gen {
namespace {

constexpr int kKinds = 13;

Painter MakeTile(int index) {
  Rng rng(static_cast<std::uint32_t>(index) * 7919u + 17u);
  const int kind = index % kKinds;
  const int variant = index / kKinds;
  const float hue = Fract(static_cast<float>(kind) * 0.137f + static_cast<float>(variant) * 0.618034f);
  switch (kind) {
    case 0: return MakeFlower(rng, hue);
    case 1: return MakeGem(rng, hue);
    case 2: return MakeMarble(rng, variant);
    case 3: return MakeSwirl(rng, hue);
    case 4: return MakeGlass(rng, hue);
    case 5: return variant == 5 ? MakeKiwi(rng) : MakeCitrus(rng, variant);
    case 6: return MakePlanet(rng, variant);
    case 7: return MakeDahlia(rng, hue);
    case 8: return MakeFeather(rng, static_cast<float>(variant) * 0.16f);
    case 9: return MakeAgate(rng, variant);
    case 10: return MakeBokeh(rng, hue);
    case 11: return MakeSunset(rng, variant);
    default: return MakeNebula(rng, hue);
  }
}

unsigned char ToByte(float v) { return static_cast<unsigned char>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

std::vector<unsigned char> PaintAtlas() {
  std::vector<unsigned char> rgb(static_cast<std::size_t>(kAtlasWidth) * kAtlasHeight * 3, 0);
  const int samples = 4;  // per axis, for smooth edges
  for (int index = 0; index < kColumns * kRows; ++index) {
    const Painter paint = MakeTile(index);
    const int left = (index % kColumns) * kCell;
    const int top = (index / kColumns) * kCell;
    for (int py = 0; py < kCell; ++py) {
      for (int px = 0; px < kCell; ++px) {
        Rgb sum;
        for (int sy = 0; sy < samples; ++sy) {
          for (int sx = 0; sx < samples; ++sx) {
            const float x = (static_cast<float>(px) + (static_cast<float>(sx) + 0.5f) / samples) / kCell * 2 - 1;
            const float y = (static_cast<float>(py) + (static_cast<float>(sy) + 0.5f) / samples) / kCell * 2 - 1;
            sum = sum + paint(x, y);
          }
        }
        sum = sum * (1.0f / (samples * samples));
        unsigned char* out = &rgb[(static_cast<std::size_t>(top + py) * kAtlasWidth + left + px) * 3];
        out[0] = ToByte(sum.r);
        out[1] = ToByte(sum.g);
        out[2] = ToByte(sum.b);
      }
    }
  }
  return rgb;
}

std::vector<unsigned char> PaintAtlasMask() {
  std::vector<unsigned char> grey(static_cast<std::size_t>(kAtlasWidth) * kAtlasHeight, 0);
  const float radius = kCell * 0.5f - 0.5f;
  for (int index = 0; index < kColumns * kRows; ++index) {
    const int left = (index % kColumns) * kCell;
    const int top = (index / kColumns) * kCell;
    for (int py = 0; py < kCell; ++py) {
      for (int px = 0; px < kCell; ++px) {
        // Distance of the pixel's centre from the cell's centre; a ramp one
        // pixel wide gives the soft edge.
        const float dx = static_cast<float>(px) + 0.5f - kCell * 0.5f;
        const float dy = static_cast<float>(py) + 0.5f - kCell * 0.5f;
        const float coverage = Clamp01(radius - std::sqrt(dx * dx + dy * dy) + 0.5f);
        grey[static_cast<std::size_t>(top + py) * kAtlasWidth + left + px] = ToByte(coverage);
      }
    }
  }
  return grey;
}

}  // namespace gen
