// The atlas tiles of the sky: planets, sunsets over the sea, nebulae, lights
// out of focus.
#include <algorithm>
#include <vector>

#include "TilePainters.h"

namespace gen {
namespace {

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

// The colour of a planet of the given kind at latitude `lat` and longitude
// `lon` (radians), before the light falls on it.
Rgb PlanetSurface(int kind, float lat, float lon, std::uint32_t seed, float hue) {
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
}

}  // namespace

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
      Rgb c = PlanetSurface(kind, lat, lon, seed, hue);
      const float shade = 0.04f + std::pow(lambert, 0.8f);
      const float rim = std::pow(1 - nz, 3.0f) * (0.3f + lambert);
      c = c * shade + atmosphere * rim;
      if (kind == 3) {  // the glow shows on the night side
        c = c + PlanetSurface(kind, lat, lon, seed, hue) * 0.25f * (1 - lambert);
      }
      colour = c;
    }
    if (ringAlpha > 0 && (ringInFront || d2 >= 1)) {
      colour = Mix(colour, ringColour, ringInFront ? ringAlpha : 0);
    }
    return colour;
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

}  // namespace gen
