#pragma once
// The one random source of the picture: the classic Windows C runtime rand()
// (a 32-bit LCG, results 0..32767), the same sequence on every platform.
// Each scene owns one, and its field draws through it, so that scenes
// sharing a process each draw the sequence a scene alone would draw.
#include <cstdint>

class RandomSource {
 public:
  // Like srand. A source that was never seeded starts where the runtime does.
  void Seed(std::uint32_t seed) { state_ = seed; }
  // Like rand: 0..32767.
  int Next();
  // A uniform variate u: Next() times the single-precision 1/32767. The
  // largest draw gives exactly 1.0f, so a whole-number pick trunc(u * n) must
  // keep itself below n.
  float UniformVariate();

 private:
  std::uint32_t state_ = 1;
};
