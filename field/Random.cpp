#include "field/Random.h"

namespace {

// The single-precision 1/32767 that turns a draw into a variate.
constexpr float kVariateScale = 3.0518509e-5f;

}  // namespace

int RandomSource::Next() {
  state_ = state_ * 214013u + 2531011u;
  return static_cast<int>((state_ >> 16) & 0x7fffu);
}

float RandomSource::UniformVariate() { return static_cast<float>(Next()) * kVariateScale; }
