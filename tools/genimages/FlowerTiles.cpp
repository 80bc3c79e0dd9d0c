// The atlas tiles of living things: flowers, a feather, fruit cut open.
#include <vector>

#include "TilePainters.h"

namespace gen {
namespace {

// Out-of-focus foliage behind the flowers.
Rgb Foliage(float x, float y, std::uint32_t seed, float hue) {
  const float leaf = Fbm(x * 1.8f, y * 1.8f, seed, 4);
  return Hsv(hue + 0.05f * leaf, 0.75f, 0.16f + 0.2f * (leaf * 0.5f + 0.5f));
}

struct Petal {
  float cx, cy, dx, dy, halfLength, halfWidth, shade, t;
};

}  // namespace

Painter MakeFlower(Rng& rng, float hue) {
  static const int kPetals[] = {5, 6, 8, 5, 7, 12};
  const int petals = kPetals[rng.Pick(6)];
  const float spin = rng.Uniform(0, 2 * kPi);
  const Rgb tip = Hsv(hue, rng.Uniform(0.45f, 0.8f), 1.0f);
  const Rgb base = Hsv(hue + rng.Uniform(-0.06f, 0.06f), 0.95f, 0.5f);
  const Rgb heart = Hsv(rng.Uniform(0.08f, 0.15f), 0.9f, 0.95f);
  const float leafHue = rng.Uniform(0.24f, 0.38f);
  const std::uint32_t seed = rng.Seed();
  const auto n = static_cast<float>(petals);
  return [=](float x, float y) {
    const float r = Length(x, y);
    const float a = std::atan2(y, x) + spin;
    Rgb colour = Foliage(x, y, seed, leafHue);
    for (int layer = 0; layer < 2; ++layer) {
      const float la = a + static_cast<float>(layer) * kPi / n;
      const float lobe = std::pow(std::fabs(std::cos(n * la * 0.5f)), 0.7f);
      const float reach = (layer == 0 ? 0.98f : 0.7f) * (0.42f + 0.58f * lobe);
      colour = colour * (1 - 0.55f * SmoothStep(reach + 0.14f, reach, r));
      if (r < reach) {
        const float t = r / reach;
        Rgb petal = Mix(base, tip, SmoothStep(0.05f, 0.85f, t));
        const float veins = 0.9f + 0.1f * std::sin(la * n * 9 + 2 * Noise(x * 6, y * 6, seed + 9));
        petal = petal * (veins * (0.72f + 0.28f * lobe) * (layer == 1 ? 1.05f : 0.92f));
        colour = petal;
      }
    }
    const float disc = 0.17f;
    if (r < disc + 0.02f) {
      const float grain = Noise(x * 30, y * 30, seed + 7);
      Rgb centre = Mix(heart * 0.35f, heart, SmoothStep(-0.3f, 0.5f, grain));
      centre = centre * (1.1f - 1.2f * r);
      colour = Mix(colour, centre, SmoothStep(disc + 0.02f, disc, r));
    }
    return colour;
  };
}

Painter MakeDahlia(Rng& rng, float hue) {
  const int count = 150;
  const float golden = 2.39996323f;
  const float spin = rng.Uniform(0, 2 * kPi);
  const Rgb outer = Hsv(hue, rng.Uniform(0.7f, 0.95f), 0.95f);
  const Rgb inner = Hsv(hue + rng.Uniform(-0.08f, 0.08f), rng.Uniform(0.2f, 0.5f), 1.0f);
  const float leafHue = rng.Uniform(0.25f, 0.4f);
  const std::uint32_t seed = rng.Seed();
  std::vector<Petal> petals;
  for (int k = 0; k < count; ++k) {
    const float t = (static_cast<float>(k) + 0.5f) / count;
    const float s = std::sqrt(t);
    const float angle = static_cast<float>(k) * golden + spin;
    const float tipRadius = 0.12f + 0.86f * s;
    const float length = 0.1f + 0.28f * s;
    const float dx = std::cos(angle), dy = std::sin(angle);
    const float centre = tipRadius - length * 0.5f;
    petals.push_back({centre * dx, centre * dy, dx, dy, length * 0.5f, 0.03f + 0.06f * s, rng.Uniform(0.8f, 1.1f), s});
  }
  return [=](float x, float y) {
    for (const Petal& p : petals) {  // inner petals lie on top
      const float ox = x - p.cx, oy = y - p.cy;
      const float along = (ox * p.dx + oy * p.dy) / p.halfLength;
      const float across = (-ox * p.dy + oy * p.dx) / p.halfWidth;
      if (along * along + across * across < 1) {
        const float crease = 0.78f + 0.22f * (1 - std::fabs(across));
        const float light = 0.7f + 0.3f * SmoothStep(-1, 0.8f, along);
        return Mix(inner, outer, SmoothStep(0.1f, 0.8f, p.t)) * (crease * light * p.shade);
      }
    }
    const float r = Length(x, y);
    if (r < 0.1f) {
      return Hsv(0.2f, 0.7f, 0.7f) * (1.0f - 2 * r);
    }
    return Foliage(x, y, seed, leafHue) * (0.5f + 0.5f * SmoothStep(0.85f, 1.1f, r));
  };
}

Painter MakeFeather(Rng& rng, float hueShift) {
  const std::uint32_t seed = rng.Seed();
  struct Band {
    float edge, h, s, v;
  };
  static const Band kBands[] = {
      {0.17f, 0.68f, 0.9f, 0.3f}, {0.3f, 0.52f, 0.95f, 1.0f}, {0.42f, 0.08f, 0.8f, 0.7f},
      {0.52f, 0.13f, 0.9f, 1.0f}, {0.72f, 0.33f, 0.85f, 0.8f}, {9.0f, 0.3f, 0.75f, 0.55f},
  };
  return [=](float x, float y) {
    const float wobble = 0.03f * Noise(x * 5, y * 5, seed);
    const float e = Length(x / 0.72f, (y + 0.08f) / 0.95f) + wobble;
    float h = kBands[0].h, s = kBands[0].s, v = kBands[0].v;
    for (int i = 1; i < 6; ++i) {
      const float t = SmoothStep(kBands[i - 1].edge - 0.02f, kBands[i - 1].edge + 0.02f, e);
      h = Mix(h, kBands[i].h, t);
      s = Mix(s, kBands[i].s, t);
      v = Mix(v, kBands[i].v, t);
    }
    const float barbAngle = std::atan2(x, 1.4f - y);
    const float barbs = 0.8f + 0.2f * std::sin(barbAngle * 90 + 4 * Noise(x * 3, y * 3, seed + 1));
    const float sheen = 0.06f * std::sin(barbAngle * 6 + e * 12);
    const float outer = e > 1.0f ? 0.6f + 0.4f * Fbm(x * 4, y * 4, seed + 2, 3) : 1.0f;
    return Hsv(h + hueShift + sheen, s, v * barbs * outer);
  };
}

Painter MakeCitrus(Rng& rng, int kind) {
  struct Fruit {
    Rgb flesh, rind;
  };
  static const Fruit kFruit[] = {
      {{1.0f, 0.55f, 0.08f}, {0.95f, 0.45f, 0.05f}},  // orange
      {{1.0f, 0.9f, 0.25f}, {0.95f, 0.82f, 0.1f}},    // lemon
      {{0.55f, 0.82f, 0.15f}, {0.18f, 0.48f, 0.08f}},  // lime
      {{0.98f, 0.42f, 0.38f}, {1.0f, 0.7f, 0.25f}},   // grapefruit
      {{0.72f, 0.06f, 0.12f}, {0.85f, 0.35f, 0.1f}},  // blood orange
  };
  const Fruit fruit = kFruit[kind % 5];
  const int segments = 9 + rng.Pick(4);
  const float spin = rng.Uniform(0, 2 * kPi);
  const Rgb table = Hsv(rng.Uniform(0, 1), rng.Uniform(0.1f, 0.35f), rng.Uniform(0.75f, 0.95f));
  const std::uint32_t seed = rng.Seed();
  const Rgb pith{0.98f, 0.95f, 0.86f};
  const float width = 2 * kPi / static_cast<float>(segments);
  return [=](float x, float y) {
    const float r = Length(x, y);
    const float fruitRadius = 0.93f;
    if (r > fruitRadius) {
      const float grain = Fbm(x * 3, y * 14, seed, 4);
      const float shadow = 1 - 0.5f * SmoothStep(fruitRadius + 0.2f, fruitRadius, Length(x - 0.04f, y - 0.06f));
      return table * ((0.9f + 0.1f * grain) * shadow);
    }
    if (r > fruitRadius - 0.045f) {
      return fruit.rind * (0.85f + 0.15f * Noise(x * 40, y * 40, seed + 3));
    }
    if (r > fruitRadius - 0.085f) {
      return pith;
    }
    const float a = std::atan2(y, x) + spin;
    const float local = std::fmod(a + 4 * kPi, width);
    const float membrane = r * std::min(local, width - local);
    const float wall = 0.01f + 0.02f * r;
    const float juice = Noise(r * 16, a * 9, seed) + 0.5f * Noise(r * 40, a * 22, seed + 1);
    Rgb colour = fruit.flesh * (0.72f + 0.25f * juice);
    colour = Mix(colour, pith, 0.35f * SmoothStep(0.06f, 0.0f, membrane));
    const float glisten = std::pow(Clamp01(Noise(x * 20, y * 20, seed + 5)), 3.0f) * 1.5f;
    colour = colour + Rgb{glisten, glisten, glisten};
    colour = Mix(colour, pith * 0.95f, SmoothStep(wall, wall * 0.5f, membrane));
    return Mix(colour, pith, SmoothStep(0.08f, 0.06f, r));
  };
}

Painter MakeKiwi(Rng& rng) {
  const float spin = rng.Uniform(0, 2 * kPi);
  const std::uint32_t seed = rng.Seed();
  const Rgb table = Hsv(rng.Uniform(0, 1), 0.2f, 0.9f);
  return [=](float x, float y) {
    const float r = Length(x, y);
    if (r > 0.93f) {
      return table * (0.9f + 0.1f * Fbm(x * 3, y * 3, seed, 3));
    }
    if (r > 0.88f) {
      return Rgb{0.42f, 0.3f, 0.15f} * (0.8f + 0.2f * Noise(x * 50, y * 50, seed));
    }
    const float a = std::atan2(y, x) + spin;
    const float streak = 0.9f + 0.1f * std::sin(a * 70 + 3 * Noise(x * 8, y * 8, seed + 1));
    Rgb flesh = Mix(Rgb{0.85f, 0.95f, 0.55f}, Rgb{0.32f, 0.62f, 0.08f}, SmoothStep(0.15f, 0.8f, r)) * streak;
    const float seedCount = 34;
    const float slot = a * seedCount / (2 * kPi);
    const float k = std::floor(slot);
    const float seedRadius = 0.3f + 0.06f * (Hash01(static_cast<std::int32_t>(k), 0, seed) - 0.5f);
    const float along = (r - seedRadius) / 0.045f;
    const float across = (slot - k - 0.5f) * (2 * kPi / seedCount) * r / 0.016f;
    if (along * along + across * across < 1) {
      flesh = Rgb{0.05f, 0.04f, 0.03f};
    }
    const float core = Length(x / 0.13f, y / 0.18f);
    return Mix(flesh, Rgb{0.95f, 0.95f, 0.8f}, SmoothStep(1.1f, 0.9f, core));
  };
}

}  // namespace gen
