// zirbel_test_symmetry IMAGE.ppm [RRGGBB,...] looks for a mirror line through the centre of a screenshot (binary PPM):
// a kaleidoscope has one, any other picture almost never. It prints "lit=F asym=F angle=D": the fraction
// of lit pixels in the probe circle, the least fraction that differs from its mirror image, and the angle.
// With colours it adds "colours=F": the share of the lit pixels whose hue is one of them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/render/ImageProbes.h"

namespace {

bool ReadPpm(const char* path, RgbImage* image) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  int maxValue = 0;
  bool read = std::fscanf(file, "P6 %d %d %d", &image->width, &image->height, &maxValue) == 3 &&
              std::fgetc(file) != EOF && maxValue == 255 && image->width > 0 && image->height > 0;
  if (read) {
    image->pixels.resize(static_cast<std::size_t>(image->width) * image->height * 3);
    read = std::fread(image->pixels.data(), 1, image->pixels.size(), file) == image->pixels.size();
  }
  std::fclose(file);
  return read;
}

// Lit pixels (brightest channel above 60) whose channels, scaled to the
// brightest, are within 0.3 of one of `colours` scaled alike.
double ColourShare(const RgbImage& image, const char* colours) {
  std::vector<std::array<double, 3>> wanted;
  for (const char* p = colours; std::strlen(p) >= 6; p += std::min<std::size_t>(7, std::strlen(p))) {
    const unsigned long v = std::strtoul(std::string(p, 6).c_str(), nullptr, 16);
    const double c[3] = {double(v >> 16 & 255), double(v >> 8 & 255), double(v & 255)};
    const double top = std::max({c[0], c[1], c[2], 1.0});
    wanted.push_back({c[0] / top, c[1] / top, c[2] / top});
  }
  std::size_t lit = 0, matching = 0;
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    const unsigned char* p = &image.pixels[i];
    const double top = std::max({p[0], p[1], p[2]});
    if (top <= 60) continue;
    ++lit;
    for (const auto& w : wanted) {
      if (std::abs(p[0] / top - w[0]) < 0.3 && std::abs(p[1] / top - w[1]) < 0.3 && std::abs(p[2] / top - w[2]) < 0.3) {
        ++matching;
        break;
      }
    }
  }
  return lit == 0 ? 0.0 : double(matching) / double(lit);
}

}  // namespace

int main(int argc, char** argv) {
  RgbImage image;
  if (argc < 2 || argc > 3 || !ReadPpm(argv[1], &image)) {
    std::fprintf(stderr, "usage: zirbel_test_symmetry IMAGE.ppm (binary, 8 bits) [RRGGBB,...]\n");
    return 2;
  }
  const double radius = 0.45 * std::min(image.width, image.height);
  const double lit = LitFraction(image, radius, 24, nullptr, 2);
  const auto asymmetry = [&](double degrees, int step) {
    return AsymmetricFraction(image, degrees, radius, 40, nullptr, 1, step);
  };
  // Coarse search over every line, then a finer one around the best.
  const int coarseStep = std::max(2, std::min(image.width, image.height) / 150);
  double best = 2.0, bestAngle = 0.0;
  const auto search = [&](double from, double to, double by) {
    for (double a = from; a < to; a += by) {
      const double f = asymmetry(a, coarseStep);
      if (f < best) best = f, bestAngle = a;
    }
  };
  search(0.0, 180.0, 1.0);
  search(bestAngle - 1.0, bestAngle + 1.05, 0.1);
  std::printf("lit=%.4f asym=%.4f angle=%.1f", lit, asymmetry(bestAngle, 2), bestAngle);
  if (argc == 3) std::printf(" colours=%.4f", ColourShare(image, argv[2]));
  std::printf("\n");
  return 0;
}
