#include "images/PhotoTiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace photo {

namespace {

constexpr int kCells = kTilePixels * kTilePixels;

std::uint32_t Read16(const unsigned char* p, bool bigEndian) {
  return bigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : (std::uint32_t{p[1]} << 8) | p[0];
}

std::uint32_t Read32(const unsigned char* p, bool bigEndian) {
  return bigEndian ? (Read16(p, true) << 16) | Read16(p + 2, true) : (Read16(p + 2, false) << 16) | Read16(p, false);
}

// Where upright tile pixel (x, y) lies in the tile as stored, for each Exif
// orientation: 2 mirrored, 3 turned half round, 4 flipped, 5 transposed,
// 6 stored turned left (shown turned right), 7 transversed, 8 stored turned right.
void StoredPixel(int orientation, int x, int y, int* sx, int* sy) {
  const int n = kTilePixels - 1;
  switch (orientation) {
    case 2: *sx = n - x; *sy = y; break;
    case 3: *sx = n - x; *sy = n - y; break;
    case 4: *sx = x; *sy = n - y; break;
    case 5: *sx = y; *sy = x; break;
    case 6: *sx = y; *sy = n - x; break;
    case 7: *sx = n - y; *sy = n - x; break;
    case 8: *sx = n - y; *sy = x; break;
    default: *sx = x; *sy = y; break;
  }
}

}  // namespace

unsigned char TileOpacity(int x, int y) {
  const float radius = kTilePixels * 0.5f - 0.5f;
  const float dx = static_cast<float>(x) + 0.5f - kTilePixels * 0.5f;
  const float dy = static_cast<float>(y) + 0.5f - kTilePixels * 0.5f;
  const float coverage = std::clamp(radius - std::sqrt(dx * dx + dy * dy) + 0.5f, 0.0f, 1.0f);
  return static_cast<unsigned char>(std::lround(coverage * 255.0f));
}

TileCutter::TileCutter(int width, int height, int channels)
    : channels_(channels == 4 ? 4 : 3),
      side_(std::max(1, std::min(width, height))),
      sums_(kCells * 4, 0),
      counts_(kCells, 0) {
  left_ = (std::max(width, 1) - side_) / 2;
  top_ = (std::max(height, 1) - side_) / 2;
  first_.resize(static_cast<std::size_t>(side_));
  last_.resize(static_cast<std::size_t>(side_));
  // Square pixel i spans [i, i + 1); tile pixel c spans [c, c + 1) * side / 78.
  // A pixel adds to every tile pixel it overlaps, so none is left empty.
  const std::int64_t side = side_;
  for (std::int64_t i = 0; i < side; ++i) {
    const std::int64_t first = i * kTilePixels / side;
    const std::int64_t last = ((i + 1) * kTilePixels + side - 1) / side;
    first_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(first);
    last_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::min<std::int64_t>(last, kTilePixels));
  }
}

void TileCutter::AddRow(int y, const unsigned char* pixels) {
  const int row = y - top_;
  if (row < 0 || row >= side_ || pixels == nullptr) return;
  const auto r = static_cast<std::size_t>(row);
  const auto channels = static_cast<std::size_t>(channels_);
  for (int cy = first_[r]; cy < last_[r]; ++cy) {
    for (int i = 0; i < side_; ++i) {
      const unsigned char* pixel = pixels + channels * static_cast<std::size_t>(left_ + i);
      const std::uint32_t alpha = channels == 4 ? pixel[3] : 255;
      const auto c = static_cast<std::size_t>(i);
      for (int cx = first_[c]; cx < last_[c]; ++cx) {
        const std::size_t cell = static_cast<std::size_t>(cy) * kTilePixels + static_cast<std::size_t>(cx);
        sums_[4 * cell] += pixel[0] * alpha;
        sums_[4 * cell + 1] += pixel[1] * alpha;
        sums_[4 * cell + 2] += pixel[2] * alpha;
        sums_[4 * cell + 3] += alpha;
        ++counts_[cell];
      }
    }
  }
}

Tile TileCutter::Finish(int orientation) const {
  Tile tile(static_cast<std::size_t>(kCells) * 4, 0);
  for (int y = 0; y < kTilePixels; ++y) {
    for (int x = 0; x < kTilePixels; ++x) {
      int sx = 0;
      int sy = 0;
      StoredPixel(orientation, x, y, &sx, &sy);
      const std::size_t cell = static_cast<std::size_t>(sy) * kTilePixels + static_cast<std::size_t>(sx);
      unsigned char* out = &tile[(static_cast<std::size_t>(y) * kTilePixels + static_cast<std::size_t>(x)) * 4];
      const std::uint64_t count = counts_[cell];
      const std::uint64_t alpha = sums_[4 * cell + 3];
      for (int k = 0; k < 3 && alpha > 0; ++k) {
        out[k] = static_cast<unsigned char>((sums_[4 * cell + static_cast<std::size_t>(k)] + alpha / 2) / alpha);
      }
      // Mean alpha times the disc's opacity, rounded.
      const std::uint64_t scale = count * 255;
      out[3] = count == 0 ? 0 : static_cast<unsigned char>((alpha * TileOpacity(x, y) + scale / 2) / scale);
    }
  }
  return tile;
}

int ExifOrientation(const unsigned char* data, std::size_t size) {
  if (data == nullptr || size < 8) return 1;
  bool bigEndian = false;
  if (data[0] == 'M' && data[1] == 'M') {
    bigEndian = true;
  } else if (data[0] != 'I' || data[1] != 'I') {
    return 1;
  }
  if (Read16(data + 2, bigEndian) != 42) return 1;
  const std::uint32_t directory = Read32(data + 4, bigEndian);
  if (directory > size || size - directory < 2) return 1;
  const std::uint32_t entries = Read16(data + directory, bigEndian);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t at = directory + 2 + static_cast<std::size_t>(i) * 12;
    if (at > size || size - at < 12) return 1;
    if (Read16(data + at, bigEndian) != 0x0112) continue;
    // A SHORT, so the value sits in the entry itself.
    if (Read16(data + at + 2, bigEndian) != 3) return 1;
    const std::uint32_t value = Read16(data + at + 8, bigEndian);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

std::vector<unsigned char> PackAtlas(const std::vector<Tile>& tiles) {
  std::vector<unsigned char> atlas;
  if (tiles.empty()) return atlas;
  atlas.assign(static_cast<std::size_t>(kAtlasWidth) * kAtlasHeight * 4, 0);
  const std::size_t rowBytes = kTilePixels * 4;
  for (int t = 0; t < kTileCount; ++t) {
    const Tile& tile = tiles[static_cast<std::size_t>(t) % tiles.size()];
    if (tile.size() != static_cast<std::size_t>(kCells) * 4) continue;
    const int left = (t % kTilesPerRow) * kTilePixels;
    const int top = (t / kTilesPerRow) * kTilePixels;
    for (int y = 0; y < kTilePixels; ++y) {
      std::memcpy(&atlas[(static_cast<std::size_t>(top + y) * kAtlasWidth + static_cast<std::size_t>(left)) * 4],
                  &tile[static_cast<std::size_t>(y) * rowBytes], rowBytes);
    }
  }
  return atlas;
}

}  // namespace photo
