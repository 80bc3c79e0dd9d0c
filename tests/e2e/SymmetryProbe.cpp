// zirbel_test_symmetry IMAGE.ppm looks for a mirror line through the centre of a screenshot (binary PPM):
// a kaleidoscope has one, any other picture almost never. It prints "lit=F asym=F angle=D": the fraction
// of lit pixels in the probe circle, the least fraction that differs from its mirror image, and the angle.
#include <algorithm>
#include <cstdio>

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

}  // namespace

int main(int argc, char** argv) {
  RgbImage image;
  if (argc != 2 || !ReadPpm(argv[1], &image)) {
    std::fprintf(stderr, "usage: zirbel_test_symmetry IMAGE.ppm (binary, 8 bits)\n");
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
  std::printf("lit=%.4f asym=%.4f angle=%.1f\n", lit, asymmetry(bestAngle, 2), bestAngle);
  return 0;
}
