#include "scene/Random.h"

namespace {

std::uint32_t randomState = 1;  // the runtime's state before any seeding

// The single-precision 1/32767 that turns a draw into a variate.
constexpr float kVariateScale = 3.0518509e-5f;
// The largest float below 1.
constexpr float kBelowOne = 0.99999994f;

}  // namespace

void SeedRandom(std::uint32_t seed) { randomState = seed; }

int NextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7fffu);
}

float UniformVariate() {
  // 32767 times the rounded scale comes out as exactly 1.0f; an integer pick
  // trunc(u * n) would then give n, one past the last index. Keep u below 1.
  const float u = static_cast<float>(NextRandom()) * kVariateScale;
  return u < 1.0f ? u : kBelowOne;
}

std::uint32_t RandomState() { return randomState; }
