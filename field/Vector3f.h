#pragma once
#include <cmath>

struct Vector3f {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Vector3f() = default;
  Vector3f(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  void Set(float x_, float y_, float z_) {
    x = x_;
    y = y_;
    z = z_;
  }
  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  friend Vector3f operator-(const Vector3f& a, const Vector3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
};
