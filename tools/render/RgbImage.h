#pragma once
// An RGB picture, three bytes a pixel, rows one after another.
#include <cstdint>
#include <vector>

struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<unsigned char> pixels;

  // Read back from GL, row 0 is the bottom; read from a file, the top.
  const unsigned char* At(std::int32_t x, std::int32_t y) const {
    return &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
  }
};
