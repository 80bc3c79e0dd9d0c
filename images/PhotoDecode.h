#pragma once
// Decoding a photo file (JPEG or PNG, held in memory) straight into a disc
// tile. Large JPEG photos are decoded reduced (1/2, 1/4 or 1/8 of their
// size, as long as the centre square keeps at least two pixels per tile
// pixel); only the rows of the centre square are looked at, and no image is
// kept whole in memory except an interlaced PNG.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "images/PhotoTiles.h"

namespace photo {

// The most pixels a photo may have once decoded (reduced where it can be):
// a header claiming more is not decoded at all.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 25;

// Which kind of file the bytes start like.
enum class PhotoKind { Unknown, Jpeg, Png };
PhotoKind DetectKind(const unsigned char* data, std::size_t size);

// Decodes `data` into `tile`, turned upright by its Exif orientation. False
// with a short reason in `error` for anything that is not a whole, usable
// JPEG or PNG, for one that is too large, and when `stop` (may be null) is
// set while it decodes. Never writes to standard error.
bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop = nullptr);

}  // namespace photo
