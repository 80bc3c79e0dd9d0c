// The atlas tiles of stone, glass and ink: gems, marble, agate, leaded
// glass, marbled ink.
#include <algorithm>
#include <vector>

#include "TilePainters.h"

namespace gen {

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

}  // namespace gen
