#include "Paint.h"

namespace gen {

Rgb Hsv(float hue, float saturation, float value) {
  const float h = Fract(hue) * 6.0f;
  const int sector = static_cast<int>(h) % 6;
  const float f = h - std::floor(h);
  const float p = value * (1 - saturation);
  const float q = value * (1 - saturation * f);
  const float t = value * (1 - saturation * (1 - f));
  switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
  }
}

Rgb CosinePalette(float t, Rgb a, Rgb b, Rgb c, Rgb d) {
  const float k = 2 * kPi;
  return {a.r + b.r * std::cos(k * (c.r * t + d.r)), a.g + b.g * std::cos(k * (c.g * t + d.g)),
          a.b + b.b * std::cos(k * (c.b * t + d.b))};
}

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

namespace {

std::int32_t Wrap(std::int32_t v, std::int32_t period) {
  if (period <= 0) {
    return v;
  }
  const std::int32_t m = v % period;
  return m < 0 ? m + period : m;
}

float Gradient(std::int32_t ix, std::int32_t iy, std::uint32_t seed, float dx, float dy) {
  const float angle = Hash01(ix, iy, seed) * 2 * kPi;
  return std::cos(angle) * dx + std::sin(angle) * dy;
}

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

float Noise(float x, float y, std::uint32_t seed, std::int32_t periodX, std::int32_t periodY) {
  const float fx = std::floor(x);
  const float fy = std::floor(y);
  const auto ix = static_cast<std::int32_t>(fx);
  const auto iy = static_cast<std::int32_t>(fy);
  const float dx = x - fx;
  const float dy = y - fy;
  const std::int32_t x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
  const std::int32_t y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
  const float n00 = Gradient(x0, y0, seed, dx, dy);
  const float n10 = Gradient(x1, y0, seed, dx - 1, dy);
  const float n01 = Gradient(x0, y1, seed, dx, dy - 1);
  const float n11 = Gradient(x1, y1, seed, dx - 1, dy - 1);
  const float u = Fade(dx);
  const float v = Fade(dy);
  return 1.41f * Mix(Mix(n00, n10, u), Mix(n01, n11, u), v);
}

float Fbm(float x, float y, std::uint32_t seed, int octaves, float gain) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * Noise(x, y, seed + static_cast<std::uint32_t>(i) * 1013u);
    norm += amplitude;
    amplitude *= gain;
    // Rotate a little between octaves to hide the lattice.
    const float nx = 1.6f * x + 1.2f * y + 17.3f;
    const float ny = -1.2f * x + 1.6f * y + 5.1f;
    x = nx;
    y = ny;
  }
  return sum / norm;
}

float PeriodicFbm(float x, float y, std::uint32_t seed, int octaves, std::int32_t periodX) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * Noise(x, y, seed + static_cast<std::uint32_t>(i) * 1013u, periodX, 0);
    norm += amplitude;
    amplitude *= 0.5f;
    x *= 2;
    y *= 2;
    y += 3.7f;
    periodX *= 2;
  }
  return sum / norm;
}

}  // namespace gen
