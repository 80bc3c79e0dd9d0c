#pragma once
// The one random source of the picture: the classic Windows C runtime rand()
// (a 32-bit LCG, results 0..32767), the same sequence on every platform.
#include <cstdint>

void SeedRandom(std::uint32_t seed);   // like srand
int NextRandom();                      // like rand: 0..32767
// The source's state, which SeedRandom sets back: each scene keeps its own
// sequence by handing its state in before it draws and taking it back after.
std::uint32_t RandomState();
// A uniform variate u: NextRandom() times the single-precision 1/32767. The
// largest draw gives exactly 1.0f, so a whole-number pick trunc(u * n) must
// keep itself below n.
float UniformVariate();
