#include "AtlasTiles.h"

#include <algorithm>
#include <functional>

#include "Paint.h"

namespace gen {
namespace {

// Paints one tile; x and y run from -1 to 1 across the cell, y downwards.
using Painter = std::function<Rgb(float x, float y)>;

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

// Out-of-focus foliage behind the flowers.
Rgb Foliage(float x, float y, std::uint32_t seed, float hue) {
  const float leaf = Fbm(x * 1.8f, y * 1.8f, seed, 4);
  return Hsv(hue + 0.05f * leaf, 0.75f, 0.16f + 0.2f * (leaf * 0.5f + 0.5f));
}

// A sparse starfield with soft, pixel-sized stars.
Rgb Stars(float x, float y, std::uint32_t seed, float density) {
  const float cellSize = 0.08f;
  const auto cx = static_cast<std::int32_t>(std::floor(x / cellSize));
  const auto cy = static_cast<std::int32_t>(std::floor(y / cellSize));
  Rgb light;
  for (std::int32_t j = cy - 1; j <= cy + 1; ++j) {
    for (std::int32_t i = cx - 1; i <= cx + 1; ++i) {
      if (Hash01(i, j, seed) > density) {
        continue;
      }
      const float sx = (static_cast<float>(i) + Hash01(i, j, seed + 1)) * cellSize;
      const float sy = (static_cast<float>(j) + Hash01(i, j, seed + 2)) * cellSize;
      const float b = Hash01(i, j, seed + 3);
      const float d2 = (x - sx) * (x - sx) + (y - sy) * (y - sy);
      const float core = std::exp(-d2 / 0.00025f) * (0.3f + 1.2f * b * b);
      const float tint = Hash01(i, j, seed + 4);
      light = light + Rgb{0.8f + 0.2f * tint, 0.85f, 1.0f - 0.2f * tint} * core;
    }
  }
  return light;
}

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

struct Petal {
  float cx, cy, dx, dy, halfLength, halfWidth, shade, t;
};

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

Painter MakeGem(Rng& rng, float hue) {
  static const int kSides[] = {6, 8, 8, 10, 12, 8};
  const int sides = kSides[rng.Pick(6)];
  const float size = rng.Uniform(0.8f, 0.9f);
  const float spin = rng.Uniform(0, 2 * kPi);
  const float velvetHue = Fract(hue + rng.Uniform(0.4f, 0.6f));
  const std::uint32_t seed = rng.Seed();
  struct Glint {
    float x, y, strength;
  };
  std::vector<Glint> glints;
  for (int i = 0; i < 3; ++i) {
    const float gr = rng.Uniform(0.1f, 0.65f), ga = rng.Uniform(0, 2 * kPi);
    glints.push_back({gr * std::cos(ga), gr * std::sin(ga), rng.Uniform(0.5f, 1.0f)});
  }
  const float sector = 2 * kPi / static_cast<float>(sides);
  return [=](float x, float y) {
    const float r = Length(x, y);
    float a = std::atan2(y, x) + spin;
    a = a - std::floor(a / (2 * kPi)) * 2 * kPi;
    const float local = std::fmod(a, sector) - sector * 0.5f;
    const float edge = size * std::cos(sector * 0.5f) / std::cos(local);
    const float rr = r / edge;
    Rgb colour;
    if (rr > 1) {
      const float fold = Fbm(x * 2.5f, y * 2.5f, seed, 4);
      colour = Hsv(velvetHue, 0.6f, 0.1f + 0.08f * fold) * (0.4f + 0.6f * SmoothStep(1.0f, 1.25f, rr));
    } else {
      const int ring = rr < 0.48f ? 0 : (rr < 0.78f ? 1 : 2);
      const float half = sector * 0.5f;
      const float offset = ring == 2 ? half * 0.5f : 0;
      const auto facet = static_cast<std::int32_t>(std::floor((a + offset) / half));
      float bright;
      if (ring == 0) {  // the table: pavilion facets seen through it
        const auto inside = static_cast<std::int32_t>(std::floor((a + half * 0.5f) / half));
        bright = 0.35f + 0.8f * Hash01(inside, static_cast<std::int32_t>(rr * 3), seed) + 0.2f * (-x - y);
      } else {
        bright = 0.3f + 0.9f * Hash01(facet, ring, seed) + 0.15f * (-x - y);
      }
      const float facetEdges = std::min({std::fabs(rr - 0.48f) * edge, std::fabs(rr - 0.78f) * edge,
                                         r * std::fabs(std::remainder(a + offset, half))});
      bright += 0.35f * SmoothStep(0.02f, 0.0f, facetEdges);
      const float sat = 0.9f - 0.5f * Clamp01(bright - 0.9f);
      colour = Hsv(hue + 0.04f * (Hash01(facet, ring + 7, seed) - 0.5f), sat, std::min(bright, 1.0f));
    }
    for (const Glint& g : glints) {
      const float gx = std::fabs(x - g.x), gy = std::fabs(y - g.y);
      const float star = std::exp(-(gx * gx + gy * gy) / 0.002f) +
                         0.6f * std::exp(-gx * 25) * std::exp(-gy * gy / 0.00008f) +
                         0.6f * std::exp(-gy * 25) * std::exp(-gx * gx / 0.00008f);
      colour = colour + Rgb{1, 1, 1} * (star * g.strength);
    }
    return colour;
  };
}

Painter MakeMarble(Rng& rng, int style) {
  struct Stone {
    Rgb light, dark, vein;
  };
  static const Stone kStones[] = {
      {{0.94f, 0.93f, 0.9f}, {0.78f, 0.8f, 0.84f}, {0.3f, 0.34f, 0.42f}},    // white with grey veins
      {{0.06f, 0.34f, 0.22f}, {0.02f, 0.18f, 0.12f}, {0.85f, 0.96f, 0.9f}},  // green
      {{0.1f, 0.09f, 0.1f}, {0.02f, 0.02f, 0.03f}, {0.98f, 0.76f, 0.3f}},    // black and gold
      {{0.95f, 0.66f, 0.66f}, {0.75f, 0.38f, 0.45f}, {1.0f, 0.96f, 0.92f}},  // rose
      {{0.14f, 0.26f, 0.75f}, {0.05f, 0.1f, 0.45f}, {1.0f, 0.84f, 0.4f}},    // lapis
      {{0.45f, 0.8f, 0.92f}, {0.15f, 0.5f, 0.7f}, {0.04f, 0.16f, 0.3f}},     // azure
  };
  const Stone stone = kStones[style % 6];
  const float angle = rng.Uniform(0, kPi);
  const float ca = std::cos(angle), sa = std::sin(angle);
  const std::uint32_t s1 = rng.Seed(), s2 = rng.Seed(), s3 = rng.Seed();
  return [=](float x, float y) {
    const float sx = x * 1.3f, sy = y * 1.3f;
    const float q1 = Fbm(sx, sy, s1, 5);
    const float q2 = Fbm(sx + 5.2f, sy + 1.3f, s2, 5);
    const float n = Fbm(sx + 2.5f * q1, sy + 2.5f * q2, s3, 6);
    const Rgb base = Mix(stone.dark, stone.light, SmoothStep(-0.45f, 0.45f, n));
    const float along = sx * ca + sy * sa;
    const float main = std::pow(1 - std::fabs(std::sin(along * 2.5f + 6 * n)), 12.0f);
    const float fine = 0.6f * std::pow(1 - std::fabs(std::sin(along * 6 + 9 * q1)), 30.0f);
    const float sheen = 0.08f * SmoothStep(0.6f, -0.8f, x + y);
    return Mix(base, stone.vein, Clamp01(main + fine)) + Rgb{sheen, sheen, sheen};
  };
}

Painter MakeSwirl(Rng& rng, float hue) {
  const float twist = rng.Uniform(2.5f, 5.0f) * (rng.Uniform() < 0.5f ? -1.0f : 1.0f);
  // Three inks: a vivid one, a pale one nearby and a deep contrasting one.
  const Rgb vivid = Hsv(hue, 0.9f, 0.95f);
  const Rgb pale = Hsv(hue + rng.Uniform(0.05f, 0.15f), 0.35f, 1.0f);
  const Rgb deep = Hsv(hue + rng.Uniform(0.35f, 0.65f), 0.85f, 0.45f);
  const std::uint32_t s1 = rng.Seed(), s2 = rng.Seed();
  return [=](float x, float y) {
    const float r = Length(x, y);
    const float a = std::atan2(y, x) + twist * std::exp(-r * 1.5f);
    const float xx = r * std::cos(a), yy = r * std::sin(a);
    const float w = Fbm(xx * 1.5f, yy * 1.5f, s1, 5);
    const float t = Fbm(xx * 1.2f + 1.8f * w, yy * 1.2f - 1.8f * w, s2, 6) * 1.6f + r * 0.6f;
    const float phase = Fract(t * 1.5f) * 3;
    Rgb colour;
    if (phase < 1) {
      colour = Mix(vivid, pale, SmoothStep(0, 1, phase));
    } else if (phase < 2) {
      colour = Mix(pale, deep, SmoothStep(1, 2, phase));
    } else {
      colour = Mix(deep, vivid, SmoothStep(2, 3, phase));
    }
    const float ink = 0.85f + 0.15f * std::pow(std::fabs(std::sin(t * 18)), 0.3f);
    return colour * ink;
  };
}

Painter MakeGlass(Rng& rng, float hue) {
  struct Cell {
    float x, y;
    Rgb colour;
  };
  static const float kHueSteps[] = {0.0f, 0.33f, 0.5f, 0.66f, 0.1f, 0.0f};
  std::vector<Cell> cells;
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 5; ++i) {
      const float cx = -1.25f + 0.5f * (static_cast<float>(i) + rng.Uniform(0.15f, 0.85f));
      const float cy = -1.25f + 0.5f * (static_cast<float>(j) + rng.Uniform(0.15f, 0.85f));
      const float h = hue + kHueSteps[rng.Pick(6)] + rng.Uniform(-0.04f, 0.04f);
      cells.push_back({cx, cy, Hsv(h, rng.Uniform(0.75f, 0.95f), rng.Uniform(0.7f, 1.0f))});
    }
  }
  const Rgb rose = Hsv(hue + 0.5f, 0.85f, 1.0f);
  const float roseRadius = rng.Uniform(0.22f, 0.32f);
  const std::uint32_t seed = rng.Seed();
  return [=](float x, float y) {
    const float lead = 0.028f;
    const float r = Length(x, y);
    float d1 = 1e9f, d2 = 1e9f;
    Rgb glass;
    for (const Cell& c : cells) {
      const float d = Length(x - c.x, y - c.y);
      if (d < d1) {
        d2 = d1;
        d1 = d;
        glass = c.colour;
      } else if (d < d2) {
        d2 = d;
      }
    }
    float edge = (d2 - d1) * 0.5f;
    if (r < roseRadius) {  // a round rosette in the middle
      const float a = std::atan2(y, x);
      const float spoke = r * std::fabs(std::remainder(a, 2 * kPi / 6));
      edge = std::min(spoke, roseRadius - r);
      glass = r < roseRadius * 0.35f ? Hsv(hue, 0.9f, 1.0f) : rose;
    } else {
      edge = std::min(edge, r - roseRadius);
    }
    const float hammered = 0.78f + 0.3f * Fbm(x * 6, y * 6, seed, 3);
    const float backlight = 1.15f - 0.35f * r;
    const Rgb lit = glass * (hammered * backlight);
    const float metal = 0.07f + 0.1f * SmoothStep(lead, 0, edge);
    return Mix(lit, Rgb{metal, metal, metal * 1.1f}, SmoothStep(lead, lead * 0.6f, edge));
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

Painter MakePlanet(Rng& rng, int kind) {
  const float radius = rng.Uniform(0.66f, 0.78f);
  const float cx = rng.Uniform(-0.08f, 0.08f), cy = rng.Uniform(-0.08f, 0.08f);
  const float tilt = rng.Uniform(-0.5f, 0.5f);
  const float lx = rng.Uniform(-0.8f, -0.3f), ly = rng.Uniform(-0.7f, -0.2f);
  const float lz = std::sqrt(std::max(0.1f, 1 - lx * lx - ly * ly));
  const std::uint32_t seed = rng.Seed();
  const float hue = rng.Uniform(0, 1);
  const bool ringed = kind == 4 || kind == 0;
  const float ct = std::cos(tilt), st = std::sin(tilt);
  auto surface = [=](float lat, float lon) -> Rgb {
    switch (kind) {
      case 1: {  // ocean world with continents and clouds
        const float h = Fbm(lon * 1.6f, lat * 1.6f, seed, 6);
        Rgb ground = h < 0.05f ? Mix(Rgb{0.02f, 0.1f, 0.35f}, Rgb{0.05f, 0.35f, 0.6f}, SmoothStep(-0.4f, 0.05f, h))
                               : Mix(Rgb{0.15f, 0.45f, 0.12f}, Rgb{0.6f, 0.5f, 0.3f}, SmoothStep(0.1f, 0.4f, h));
        ground = Mix(ground, Rgb{0.95f, 0.97f, 1.0f}, SmoothStep(1.1f, 1.25f, std::fabs(lat)));
        const float cloud = SmoothStep(0.05f, 0.4f, Fbm(lon * 3, lat * 6, seed + 1, 5));
        return Mix(ground, Rgb{1, 1, 1}, cloud * 0.85f);
      }
      case 2: {  // ice giant
        const float t = lat * 2 + 0.15f * Fbm(lon * 2, lat * 6, seed, 4);
        return Hsv(0.5f + 0.05f * std::sin(t * 4), 0.55f, 0.75f + 0.2f * std::sin(t * 7));
      }
      case 3: {  // molten rock
        const float rock = Fbm(lon * 2.5f, lat * 2.5f, seed, 5);
        const float crack = std::pow(1 - std::fabs(Fbm(lon * 3, lat * 3, seed + 2, 5)), 10.0f);
        return Mix(Rgb{0.12f, 0.08f, 0.07f} * (0.8f + 0.4f * rock), Rgb{3.0f, 1.2f, 0.2f}, crack);
      }
      case 5: {  // strange banded world
        const float t = lat * 3 + 0.3f * Fbm(lon * 2, lat * 8, seed, 5);
        return Hsv(hue + 0.1f * std::sin(t * 3), 0.7f, 0.6f + 0.35f * std::sin(t * 5));
      }
      default: {  // gas giant
        const float t = lat * 3 + 0.25f * Fbm(lon * 2, lat * 8, seed, 5);
        const float band = 0.5f + 0.5f * std::sin(t * 5);
        Rgb c = Mix(Rgb{0.55f, 0.3f, 0.15f}, Rgb{0.95f, 0.85f, 0.65f}, band);
        c = Mix(c, Rgb{0.8f, 0.5f, 0.25f}, 0.5f + 0.5f * std::sin(t * 11 + 1));
        const float spot = Length((lon - 0.4f) / 0.3f, (lat + 0.35f) / 0.15f);
        return Mix(c, Rgb{0.8f, 0.3f, 0.15f}, SmoothStep(1.0f, 0.6f, spot));
      }
    }
  };
  const Rgb atmosphere = kind == 3 ? Rgb{1.0f, 0.4f, 0.1f} : (kind == 2 ? Rgb{0.5f, 0.9f, 1.0f} : Rgb{0.4f, 0.6f, 1.0f});
  return [=](float x, float y) {
    Rgb colour = Rgb{0.01f, 0.01f, 0.035f} + Stars(x, y, seed + 11, 0.35f);
    const float px = ((x - cx) * ct + (y - cy) * st) / radius;
    const float py = (-(x - cx) * st + (y - cy) * ct) / radius;
    const float d2 = px * px + py * py;
    float ringAlpha = 0;
    Rgb ringColour;
    if (ringed) {
      const float rr = Length(px, py / 0.28f);
      if (rr > 1.25f && rr < 1.95f) {
        const float bands = 0.6f + 0.4f * std::sin(rr * 45) * std::sin(rr * 13);
        ringAlpha = 0.85f * bands * SmoothStep(1.25f, 1.32f, rr) * SmoothStep(1.95f, 1.88f, rr);
        ringColour = Rgb{0.9f, 0.82f, 0.65f} * (0.7f + 0.3f * SmoothStep(1.3f, 1.9f, rr));
      }
    }
    const bool ringInFront = py > 0;
    if (ringAlpha > 0 && !ringInFront) {
      colour = Mix(colour, ringColour, ringAlpha);
    }
    if (d2 < 1) {
      const float nz = std::sqrt(1 - d2);
      const float lambert = std::max(0.0f, px * lx + py * ly + nz * lz);
      const float lat = std::asin(std::max(-1.0f, std::min(1.0f, py)));
      const float lon = std::atan2(px, nz);
      Rgb c = surface(lat, lon);
      const float shade = 0.04f + std::pow(lambert, 0.8f);
      const float rim = std::pow(1 - nz, 3.0f) * (0.3f + lambert);
      c = c * shade + atmosphere * rim;
      if (kind == 3) {
        c = c + surface(lat, lon) * 0.25f * (1 - lambert);  // the glow shows on the night side
      }
      colour = c;
    }
    if (ringAlpha > 0 && (ringInFront || d2 >= 1)) {
      colour = Mix(colour, ringColour, ringInFront ? ringAlpha : 0);
    }
    return colour;
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

Painter MakeAgate(Rng& rng, int palette) {
  static const Rgb kBands[6][4] = {
      {{0.12f, 0.25f, 0.6f}, {0.45f, 0.68f, 0.92f}, {0.92f, 0.96f, 1.0f}, {0.22f, 0.42f, 0.78f}},
      {{0.6f, 0.15f, 0.05f}, {0.95f, 0.55f, 0.2f}, {1.0f, 0.86f, 0.6f}, {0.4f, 0.1f, 0.05f}},
      {{0.35f, 0.1f, 0.5f}, {0.7f, 0.45f, 0.85f}, {0.95f, 0.9f, 1.0f}, {0.5f, 0.2f, 0.62f}},
      {{0.02f, 0.3f, 0.15f}, {0.1f, 0.62f, 0.36f}, {0.45f, 0.88f, 0.62f}, {0.04f, 0.45f, 0.25f}},
      {{0.9f, 0.38f, 0.5f}, {1.0f, 0.76f, 0.8f}, {0.68f, 0.18f, 0.34f}, {0.96f, 0.58f, 0.64f}},
      {{0.0f, 0.45f, 0.5f}, {0.95f, 0.55f, 0.15f}, {0.05f, 0.7f, 0.72f}, {1.0f, 0.85f, 0.5f}},
  };
  const Rgb* bands = kBands[palette % 6];
  const std::uint32_t s1 = rng.Seed(), s2 = rng.Seed();
  const float coreRadius = rng.Uniform(0.15f, 0.3f);
  const float bandCount = rng.Uniform(10, 16);
  return [=](float x, float y) {
    const float r = Length(x, y);
    const float d = r * (1 + 0.25f * Fbm(x * 1.5f, y * 1.5f, s1, 4)) + 0.06f * Fbm(x * 4, y * 4, s2, 4);
    if (d > 0.95f) {  // the rough outer crust
      const float rough = Fbm(x * 8, y * 8, s2 + 3, 4);
      return Rgb{0.45f, 0.36f, 0.3f} * (0.65f + 0.35f * rough);
    }
    if (d < coreRadius) {  // quartz crystals in the hollow core
      const auto cx = static_cast<std::int32_t>(std::floor(x * 18)), cy = static_cast<std::int32_t>(std::floor(y * 18));
      const float sparkle = Hash01(cx, cy, s1);
      const Rgb ice = Mix(bands[2], Rgb{1, 1, 1}, 0.6f);
      return ice * (0.55f + 0.5f * sparkle) * (0.8f + 0.2f * SmoothStep(0, coreRadius, d));
    }
    const float t = d * bandCount + 0.4f * Fbm(x * 6, y * 6, s1 + 5, 3);
    const float f = Fract(t);
    const auto index = static_cast<int>(std::floor(t)) & 3;
    const Rgb c = Mix(bands[index], bands[(index + 1) & 3], SmoothStep(0.35f, 0.65f, f));
    return c * (0.88f + 0.12f * std::sin(d * 140));
  };
}

Painter MakeBokeh(Rng& rng, float hue) {
  struct Light {
    float x, y, radius, strength;
    Rgb colour;
  };
  std::vector<Light> lights;
  const float second = hue + rng.Uniform(0.1f, 0.3f);
  for (int i = 0; i < 22; ++i) {
    const float h = (rng.Uniform() < 0.6f ? hue : second) + rng.Uniform(-0.05f, 0.05f);
    lights.push_back({rng.Uniform(-1.1f, 1.1f), rng.Uniform(-1.1f, 1.1f), rng.Uniform(0.1f, 0.32f),
                      rng.Uniform(0.35f, 0.75f), Hsv(h, rng.Uniform(0.65f, 0.95f), 1.0f)});
  }
  const std::uint32_t seed = rng.Seed();
  return [=](float x, float y) {
    Rgb light = Hsv(hue + 0.5f, 0.6f, 0.05f + 0.05f * (1 - y));
    for (const Light& l : lights) {
      const float d = Length(x - l.x, y - l.y) / l.radius;
      const float inside = SmoothStep(1.0f, 0.92f, d);
      const float rim = 0.35f * SmoothStep(0.7f, 0.95f, d) * inside;
      const float texture = 0.85f + 0.15f * Noise(x * 9, y * 9, seed);
      light = light + l.colour * ((inside * texture + rim) * l.strength);
    }
    return Rgb{1 - std::exp(-1.4f * light.r), 1 - std::exp(-1.4f * light.g), 1 - std::exp(-1.4f * light.b)};
  };
}

Painter MakeSunset(Rng& rng, int style) {
  struct Sky {
    Rgb top, middle, horizon, sea;
  };
  static const Sky kSkies[] = {
      {{0.08f, 0.1f, 0.35f}, {0.85f, 0.35f, 0.3f}, {1.0f, 0.72f, 0.25f}, {0.05f, 0.08f, 0.2f}},
      {{0.2f, 0.08f, 0.4f}, {0.95f, 0.35f, 0.55f}, {1.0f, 0.6f, 0.45f}, {0.12f, 0.05f, 0.2f}},
      {{0.02f, 0.2f, 0.45f}, {0.45f, 0.6f, 0.85f}, {1.0f, 0.85f, 0.55f}, {0.02f, 0.15f, 0.3f}},
  };
  const Sky sky = kSkies[style % 3];
  const float horizon = rng.Uniform(0.05f, 0.3f);
  const float sunX = rng.Uniform(-0.4f, 0.4f);
  const float sunY = horizon - rng.Uniform(0.0f, 0.25f);
  const std::uint32_t seed = rng.Seed();
  const Rgb sun{1.0f, 0.95f, 0.8f};
  return [=](float x, float y) {
    if (y < horizon) {
      const float t = (horizon - y) / (horizon + 1);
      Rgb c = Mix(sky.horizon, sky.middle, SmoothStep(0, 0.4f, t));
      c = Mix(c, sky.top, SmoothStep(0.35f, 1.0f, t));
      const float dist = Length(x - sunX, y - sunY);
      c = c + sky.horizon * (0.6f * std::exp(-dist * 4)) + sun * (0.5f * std::exp(-dist * 15));
      const float cloud = SmoothStep(0.05f, 0.45f, Fbm(x * 1.2f, y * 5, seed, 5)) * SmoothStep(horizon, horizon - 0.15f, y);
      const Rgb lit = Mix(sky.top * 0.8f, Rgb{1.0f, 0.55f, 0.45f}, std::exp(-dist * 1.5f));
      c = Mix(c, lit, cloud * 0.8f);
      return Mix(c, sun, SmoothStep(0.135f, 0.125f, dist));
    }
    const float depth = y - horizon;
    const float u = x / (depth + 0.1f), v = 1 / (depth + 0.1f);
    Rgb c = Mix(sky.horizon * 0.55f, sky.sea, SmoothStep(0, 0.6f, depth));
    const float waves = Noise(u * 2, v * 6, seed + 1);
    c = c * (0.85f + 0.15f * waves);
    const float column = std::exp(-std::pow((x - sunX) / (0.08f + depth * 0.4f), 2.0f));
    const float glitter = SmoothStep(0.0f, 0.5f, Noise(u * 6, v * 20, seed + 2));
    return c + sun * (column * glitter * 0.9f);
  };
}

Painter MakeNebula(Rng& rng, float hue) {
  const Rgb first = Hsv(hue, 0.75f, 1.0f);
  const Rgb second = Hsv(hue + rng.Uniform(0.3f, 0.5f), 0.7f, 1.0f);
  const std::uint32_t s1 = rng.Seed(), s2 = rng.Seed(), s3 = rng.Seed(), s4 = rng.Seed();
  return [=](float x, float y) {
    const float w = Fbm(x * 0.8f, y * 0.8f, s1, 3);
    const float n1 = Fbm(x * 0.9f + w, y * 0.9f - w, s2, 5);
    const float n2 = Fbm(x * 1.4f - w, y * 1.4f + w, s3, 5);
    const float gas1 = std::pow(SmoothStep(-0.3f, 0.45f, n1), 1.3f);
    const float gas2 = SmoothStep(-0.2f, 0.5f, n2);
    const float dust = SmoothStep(0.15f, 0.5f, Fbm(x * 2.5f, y * 2.5f, s4, 4));
    Rgb c = Rgb{0.02f, 0.0f, 0.05f} + first * (gas1 * 1.1f) + second * (gas2 * 0.7f);
    c = c * (1 - 0.6f * dust) + Rgb{1, 0.95f, 0.9f} * (0.6f * gas1 * gas2 * gas2);
    return c + Stars(x, y, s1 + 17, 0.2f);
  };
}

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
