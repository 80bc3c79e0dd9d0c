// Arbitrary bytes as a photo file (JPEG, PNG or anything), under small
// bounds so that they are reached: the decode fails with a reason, or gives
// a whole tile whose opacity is at most the disc's (JPEG: exactly it).
// Built with ZIRBEL_FUZZ_KIND, only bytes of that kind (Heif, Webp) are
// decoded, so that the run stays on that decoder.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "images/PhotoDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#ifdef ZIRBEL_FUZZ_KIND
  if (photo::DetectKind(data, size) != photo::PhotoKind::ZIRBEL_FUZZ_KIND) return 0;
#endif
  photo::DecodeLimits limits;
  limits.time = std::chrono::seconds(2);
  limits.jpegScans = 20;
  limits.jpegMemory = std::size_t{16} << 20;
  limits.wholePixels = std::uint64_t{4} << 20;
  photo::Tile tile;
  std::string error;
  const bool ok = photo::DecodePhotoTile(data, size, &tile, &error, nullptr, limits);
  if (ok != error.empty() || ok != (tile.size() == std::size_t{78} * 78 * 4)) std::abort();
  const bool jpeg = photo::DetectKind(data, size) == photo::PhotoKind::Jpeg;
  for (std::size_t i = 0; ok && i < 78 * 78; ++i) {
    const unsigned char disc = photo::TileOpacity(static_cast<int>(i % 78), static_cast<int>(i / 78));
    if (jpeg ? tile[i * 4 + 3] != disc : tile[i * 4 + 3] > disc) std::abort();
  }
  return 0;
}
