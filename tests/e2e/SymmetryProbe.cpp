// Looks for a mirror line through the centre of a screenshot (binary PPM):
// a kaleidoscope has one, any other picture almost never.
//   zirbel_test_symmetry IMAGE.ppm
// Prints "lit=F asym=F angle=D": the fraction of pixels within the probe
// circle that are not black, the smallest fraction of pixels that differ from
// their mirror image by more than a few levels, and the line's angle.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

bool ReadPpm(const char* path, Image* image) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  int maxValue = 0;
  const bool header = std::fscanf(file, "P6 %d %d %d", &image->width, &image->height, &maxValue) == 3 &&
                      std::fgetc(file) != EOF && maxValue == 255 && image->width > 0 && image->height > 0;
  if (header) {
    image->rgb.resize(static_cast<std::size_t>(image->width) * image->height * 3);
    const bool read = std::fread(image->rgb.data(), 1, image->rgb.size(), file) == image->rgb.size();
    std::fclose(file);
    return read;
  }
  std::fclose(file);
  return false;
}

// Channel sums over the 3 x 3 square around (x, y), clipped.
void Around(const Image& image, int x, int y, int sum[3]) {
  sum[0] = sum[1] = sum[2] = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = std::min(std::max(x + dx, 0), image.width - 1);
      const int py = std::min(std::max(y + dy, 0), image.height - 1);
      const unsigned char* p = image.At(px, py);
      for (int c = 0; c < 3; ++c) sum[c] += p[c];
    }
  }
}

double Asymmetry(const Image& image, double degrees, double radius, int step) {
  const double cx = image.width / 2.0;
  const double cy = image.height / 2.0;
  const double t = 2.0 * degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(t);
  const double s = std::sin(t);
  long total = 0;
  long bad = 0;
  for (int y = 0; y < image.height; y += step) {
    for (int x = 0; x < image.width; x += step) {
      const double dx = x + 0.5 - cx;
      const double dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius) continue;
      const int px = static_cast<int>(std::floor(c * dx + s * dy + cx));
      const int py = static_cast<int>(std::floor(s * dx - c * dy + cy));
      if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
      int a[3];
      int b[3];
      Around(image, x, y, a);
      Around(image, px, py, b);
      int distance = 0;
      for (int k = 0; k < 3; ++k) distance = std::max(distance, std::abs(a[k] - b[k]) / 9);
      ++total;
      if (distance > 40) ++bad;
    }
  }
  return total > 0 ? static_cast<double>(bad) / static_cast<double>(total) : 1.0;
}

}  // namespace

int main(int argc, char** argv) {
  Image image;
  if (argc != 2 || !ReadPpm(argv[1], &image)) {
    std::fprintf(stderr, "usage: zirbel_test_symmetry IMAGE.ppm (binary, 8 bits)\n");
    return 2;
  }
  const double radius = 0.45 * std::min(image.width, image.height);
  long total = 0;
  long lit = 0;
  for (int y = 0; y < image.height; y += 2) {
    for (int x = 0; x < image.width; x += 2) {
      const double dx = x + 0.5 - image.width / 2.0;
      const double dy = y + 0.5 - image.height / 2.0;
      if (dx * dx + dy * dy > radius * radius) continue;
      const unsigned char* p = image.At(x, y);
      ++total;
      if (std::max({p[0], p[1], p[2]}) > 24) ++lit;
    }
  }
  // Coarse search over every line, then a finer one around the best.
  const int coarseStep = std::max(2, std::min(image.width, image.height) / 150);
  double best = 2.0;
  double bestAngle = 0.0;
  for (double a = 0.0; a < 180.0; a += 1.0) {
    const double f = Asymmetry(image, a, radius, coarseStep);
    if (f < best) {
      best = f;
      bestAngle = a;
    }
  }
  const double around = bestAngle;
  for (double a = around - 1.0; a <= around + 1.0; a += 0.1) {
    const double f = Asymmetry(image, a, radius, coarseStep);
    if (f < best) {
      best = f;
      bestAngle = a;
    }
  }
  std::printf("lit=%.4f asym=%.4f angle=%.1f\n", total > 0 ? static_cast<double>(lit) / total : 0.0,
              Asymmetry(image, bestAngle, radius, 2), bestAngle);
  return 0;
}
