#include "field/Random.h"

namespace {

std::uint32_t randomState = 1;  // the runtime's state before any seeding

// The single-precision 1/32767 that turns a draw into a variate.
constexpr float kVariateScale = 3.0518509e-5f;

}  // namespace

void SeedRandom(std::uint32_t seed) { randomState = seed; }

std::uint32_t RandomState() { return randomState; }

int NextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7fffu);
}

float UniformVariate() { return static_cast<float>(NextRandom()) * kVariateScale; }
