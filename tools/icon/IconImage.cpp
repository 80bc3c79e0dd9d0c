#include "tools/icon/IconImage.h"

#include <algorithm>
#include <cmath>

namespace icon {

namespace {

const Colour kPalette[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0},  {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xff));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}

// Rows of a bitmap in an icon are padded to 4 bytes.
std::size_t RowBytes(int bits) { return static_cast<std::size_t>((bits + 31) / 32) * 4; }

std::vector<std::uint8_t> EncodeImage(const IndexedImage& image) {
  const int n = image.size;
  std::vector<std::uint8_t> out;
  // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(n));
  Put32(out, static_cast<std::uint32_t>(2 * n));
  Put16(out, 1);   // planes
  Put16(out, 4);   // bits per pixel
  Put32(out, 0);   // no compression
  const std::size_t colourRow = RowBytes(4 * n);
  const std::size_t maskRow = RowBytes(n);
  Put32(out, static_cast<std::uint32_t>((colourRow + maskRow) * n));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const Colour& c : kPalette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  // Bitmaps are stored bottom row first.
  for (int y = n - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colourRow, 0);
    for (int x = 0; x < n; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * n + x;
      const std::uint8_t index = image.transparent[i] ? 0 : image.indices[i];
      row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < n; ++x) {
      if (image.transparent[static_cast<std::size_t>(y) * n + x]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

const Colour* StandardPalette() { return kPalette; }

int NearestPaletteIndex(int r, int g, int b) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 16; ++i) {
    const long dr = r - kPalette[i].r, dg = g - kPalette[i].g, db = b - kPalette[i].b;
    // Weighted towards green, as the eye is.
    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

Picture CropAndScale(const Picture& source, int x0, int y0, int size, int target) {
  Picture out;
  out.width = target;
  out.height = target;
  out.rgba.assign(static_cast<std::size_t>(target) * target * 4, 0);
  const double scale = static_cast<double>(size) / target;
  for (int ty = 0; ty < target; ++ty) {
    for (int tx = 0; tx < target; ++tx) {
      // Sum the source pixels under this target pixel, weighted by coverage.
      const double left = x0 + tx * scale, right = left + scale;
      const double top = y0 + ty * scale, bottom = top + scale;
      double sum[4] = {0, 0, 0, 0};
      double area = 0;
      for (int sy = static_cast<int>(std::floor(top)); sy < static_cast<int>(std::ceil(bottom)); ++sy) {
        const double hy = std::min<double>(bottom, sy + 1) - std::max<double>(top, sy);
        for (int sx = static_cast<int>(std::floor(left)); sx < static_cast<int>(std::ceil(right)); ++sx) {
          const double w = (std::min<double>(right, sx + 1) - std::max<double>(left, sx)) * hy;
          area += w;
          if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height) continue;
          const std::uint8_t* p = source.At(sx, sy);
          const double a = p[3] / 255.0;
          for (int c = 0; c < 3; ++c) sum[c] += w * a * p[c];
          sum[3] += w * a;
        }
      }
      std::uint8_t* q = out.At(tx, ty);
      if (sum[3] > 0) {
        for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(std::lround(sum[c] / sum[3]));
      }
      q[3] = static_cast<std::uint8_t>(std::lround(255.0 * sum[3] / area));
    }
  }
  return out;
}

void MaskToCircle(Picture& picture) {
  const double cx = picture.width / 2.0, cy = picture.height / 2.0;
  const double radius = std::min(picture.width, picture.height) / 2.0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > radius * radius) picture.At(x, y)[3] = 0;
    }
  }
}

IndexedImage Quantize(const Picture& picture, double dither) {
  IndexedImage image;
  image.size = picture.width;
  const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
  image.indices.assign(count, 0);
  image.transparent.assign(count, false);
  // Floyd-Steinberg error diffusion over the opaque pixels.
  std::vector<double> work(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) work[i * 3 + c] = picture.rgba[i * 4 + c];
  }
  const int w = picture.width, h = picture.height;
  auto spread = [&](int x, int y, const double* error, double weight) {
    if (x < 0 || x >= w || y >= h) return;
    const std::size_t j = static_cast<std::size_t>(y) * w + x;
    for (int c = 0; c < 3; ++c) work[j * 3 + c] += error[c] * weight * dither;
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (picture.rgba[i * 4 + 3] < 128) {
        image.transparent[i] = true;
        continue;
      }
      double v[3];
      for (int c = 0; c < 3; ++c) v[c] = std::clamp(work[i * 3 + c], 0.0, 255.0);
      const int index = NearestPaletteIndex(static_cast<int>(std::lround(v[0])), static_cast<int>(std::lround(v[1])),
                                            static_cast<int>(std::lround(v[2])));
      image.indices[i] = static_cast<std::uint8_t>(index);
      const double error[3] = {v[0] - kPalette[index].r, v[1] - kPalette[index].g, v[2] - kPalette[index].b};
      spread(x + 1, y, error, 7.0 / 16);
      spread(x - 1, y + 1, error, 3.0 / 16);
      spread(x, y + 1, error, 5.0 / 16);
      spread(x + 1, y + 1, error, 1.0 / 16);
    }
  }
  return image;
}

std::vector<std::uint8_t> EncodeIcon(const std::vector<IndexedImage>& images) {
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const IndexedImage& image : images) bodies.push_back(EncodeImage(image));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i].size >= 256 ? 0 : images[i].size));
    out.push_back(static_cast<std::uint8_t>(images[i].size >= 256 ? 0 : images[i].size));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace icon
