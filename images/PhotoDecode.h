#pragma once
// Decoding a photo file (JPEG or PNG, held in memory) straight into a disc
// tile. Large JPEG photos are decoded reduced (1/2, 1/4 or 1/8 of their
// size, as long as the centre square keeps at least two pixels per tile
// pixel); only the rows of the centre square are looked at, and no image is
// kept whole in memory except an interlaced PNG. The work one photo may
// cause is bounded (DecodeLimits), and a stop is heard within a few
// milliseconds.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "images/PhotoTiles.h"

namespace photo {

// The most pixels a photo may have once decoded (reduced where it can be):
// a header claiming more is not decoded at all.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 25;

// What one photo may cost; a photo beyond a bound is refused with a reason.
struct DecodeLimits {
  // Time from the start of the decode (the slowest 48-megapixel photo, a
  // progressive one of noise, takes 2 s of a 2.8 GHz core).
  std::chrono::milliseconds time{std::chrono::seconds(10)};
  // Scans of a progressive JPEG: encoders write about ten; each scan may be
  // a pass over the whole image.
  int jpegScans = 100;
  // What the JPEG library may allocate: a progressive photo keeps all its
  // coefficients, 6 bytes a pixel without chroma subsampling (275 MiB for
  // 48 megapixels), 3 bytes with 4:2:0.
  std::size_t jpegMemory = std::size_t{320} << 20;
  // The clock `time` is measured on; empty: std::chrono::steady_clock.
  std::function<std::chrono::steady_clock::time_point()> now;
};

// Which kind of file the bytes start like.
enum class PhotoKind { Unknown, Jpeg, Png };
PhotoKind DetectKind(const unsigned char* data, std::size_t size);

// Decodes `data` into `tile`, turned upright by its Exif orientation, with
// the photo's own transparency (PNG) times the disc's. False with a reason a
// user understands in `error` for anything that is not a whole, usable JPEG
// or PNG, for one that is too large or goes beyond `limits`, and when `stop`
// (may be null) is set while it decodes. Never writes to standard error.
bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop = nullptr, const DecodeLimits& limits = DecodeLimits());

}  // namespace photo
