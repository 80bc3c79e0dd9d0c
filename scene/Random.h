#pragma once
// The one random source of the picture: the classic Windows C runtime rand()
// (a 32-bit LCG, results 0..32767), the same sequence on every platform.
#include <cstdint>

constexpr int kRandomMax = 32767;

void SeedRandom(std::uint32_t seed);   // like srand
int NextRandom();                      // like rand: 0..32767
// A uniform variate u: NextRandom() times the single-precision 1/32767, kept
// just below 1 so that trunc(u * n) always lies in 0..n-1.
float UniformVariate();
// The generator's current state (what SeedRandom would restore).
std::uint32_t RandomState();
