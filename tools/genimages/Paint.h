#pragma once
// Small painting toolkit for the image generator: colours, a deterministic
// random source and gradient noise. Everything is reproducible bit for bit
// with the same compiler, so the committed images can be regenerated.
#include <cmath>
#include <cstdint>

namespace gen {

constexpr float kPi = 3.14159265f;

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }
inline float Fract(float v) { return v - std::floor(v); }
inline float SmoothStep(float edge0, float edge1, float v) {
  const float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

// Hue, saturation and value in 0..1 (hue wraps).
Rgb Hsv(float hue, float saturation, float value);
// A smooth cyclic palette: a + b cos(2 pi (c t + d)) per channel.
Rgb CosinePalette(float t, Rgb a, Rgb b, Rgb c, Rgb d);

std::uint32_t Hash(std::int32_t x, std::int32_t y, std::uint32_t seed);
inline float Hash01(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return static_cast<float>(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Gradient noise in about -1..1. A period > 0 makes it repeat along that axis.
float Noise(float x, float y, std::uint32_t seed, std::int32_t periodX = 0, std::int32_t periodY = 0);
// Fractal sum of `octaves` noise layers, about -1..1.
float Fbm(float x, float y, std::uint32_t seed, int octaves, float gain = 0.5f);
// The same, repeating every `periodX` units along x.
float PeriodicFbm(float x, float y, std::uint32_t seed, int octaves, std::int32_t periodX);

// Small linear congruential source for picking parameters.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
  float Uniform() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(state_ >> 8) * (1.0f / 16777216.0f);
  }
  float Uniform(float low, float high) { return Mix(low, high, Uniform()); }
  int Pick(int count) { return static_cast<int>(Uniform() * static_cast<float>(count)) % count; }
  std::uint32_t Seed() { return static_cast<std::uint32_t>(Uniform() * 16777216.0f); }

 private:
  std::uint32_t state_;
};

}  // namespace gen
