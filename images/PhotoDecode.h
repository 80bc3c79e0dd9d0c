#pragma once
// Decoding a photo file (JPEG, PNG, HEIF or AVIF, WebP, held in memory)
// straight into a disc tile: a pure function from bytes to a tile or a
// reason, usable on any thread or in a process of its own. Large JPEG photos are decoded reduced (1/2, 1/4 or 1/8 of their
// size, as long as the centre square keeps at least two pixels per tile
// pixel); only the rows of the centre square are looked at, and no image is
// kept whole in memory except an interlaced PNG, a lossless WebP and a HEIF
// or AVIF image (which is decoded from its thumbnail where that is enough). The work one photo may
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
// The most pixels of a HEIF, AVIF or WebP picture, which cannot be decoded
// reduced (a 48-megapixel phone photo, 8192 x 8192).
constexpr std::uint64_t kMaxWholePixels = std::uint64_t{1} << 26;

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
  // The most pixels of a picture decoded whole (HEIF, AVIF, WebP).
  std::uint64_t wholePixels = kMaxWholePixels;
  // The clock `time` is measured on; empty: std::chrono::steady_clock.
  std::function<std::chrono::steady_clock::time_point()> now;
};

// Which kind of file the bytes start like: the file's content decides, not
// its name. Heif covers HEIC, HEIF and AVIF (an ISO media file of one of
// their brands).
enum class PhotoKind { Unknown, Jpeg, Png, Heif, Webp };
PhotoKind DetectKind(const unsigned char* data, std::size_t size);

// Readies the decoders' libraries once (a process that confines itself
// calls it first: nothing is loaded or looked up later).
void PrepareDecoders();

// Decodes `data` into `tile`, turned upright (by its Exif orientation; a
// HEIF or AVIF by its own rotation and mirroring), with the photo's own
// transparency (PNG, WebP, HEIF) times the disc's. False with a reason a
// user understands in `error` for anything that is not a whole, usable
// photo, for one that is too large or goes beyond `limits`, and when `stop`
// (may be null) is set while it decodes. Never writes to standard error.
bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop = nullptr, const DecodeLimits& limits = DecodeLimits());

}  // namespace photo
