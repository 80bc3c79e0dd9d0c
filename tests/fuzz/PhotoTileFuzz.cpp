// Arbitrary bytes as a photo file (JPEG, PNG or anything): the decode fails
// with a reason, or gives a whole tile with the disc's opacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "images/PhotoDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  photo::Tile tile;
  std::string error;
  const bool ok = photo::DecodePhotoTile(data, size, &tile, &error);
  if (ok != error.empty() || ok != (tile.size() == std::size_t{78} * 78 * 4)) std::abort();
  for (std::size_t i = 0; ok && i < 78 * 78; ++i) {
    if (tile[i * 4 + 3] != photo::TileOpacity(static_cast<int>(i % 78), static_cast<int>(i / 78))) std::abort();
  }
  return 0;
}
