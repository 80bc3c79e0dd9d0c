// The HEIF half of the photo decoder (HEIC from phones, AVIF): the primary
// image of the file, or its thumbnail where that is large enough for a tile,
// with the file's own rotation and mirroring (its Exif orientation is not
// looked at, as the format requires), brought to 8 bits, its transparency
// kept. The library decodes an image whole, so its size is checked first.
#include <libheif/heif.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "images/PhotoDecodeParts.h"

namespace photo {
namespace decode {

namespace {

constexpr int kMaxSide = 16384;  // the library's own limit on a side, set lower than its default
constexpr int kMinThumbnailSide = 2 * kTilePixels;

struct HeifDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
  void operator()(heif_image* i) const { heif_image_release(i); }
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

std::string LibraryError(const char* what, const heif_error& error) {
  return std::string("damaged or unsupported HEIF/AVIF (") + what + ": " +
         (error.message != nullptr ? error.message : "unknown error") + ")";
}

bool Failed(const heif_error& error) { return error.code != heif_error_Ok; }

// The smallest thumbnail whose short side is still enough for a tile.
HeifPtr<heif_image_handle> TileSizedThumbnail(heif_image_handle* primary) {
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return nullptr;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  HeifPtr<heif_image_handle> best;
  for (const heif_item_id id : ids) {
    heif_image_handle* raw = nullptr;
    if (Failed(heif_image_handle_get_thumbnail(primary, id, &raw))) continue;
    HeifPtr<heif_image_handle> thumbnail(raw);
    const int side = std::min(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
    if (side < kMinThumbnailSide) continue;
    if (!best || side < std::min(heif_image_handle_get_width(best.get()), heif_image_handle_get_height(best.get()))) {
      best = std::move(thumbnail);
    }
  }
  return best;
}

// The decoded image's rows into the tile.
bool CutTile(const heif_image* image, bool alpha, bool premultiplied, Tile* tile, std::string* error) {
  int stride = 0;
  const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(image, heif_channel_interleaved);
  const int h = heif_image_get_height(image, heif_channel_interleaved);
  const int channels = alpha ? 4 : 3;
  if (plane == nullptr || w <= 0 || h <= 0 || stride < w * channels ||
      heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8) {
    *error = "unexpected HEIF/AVIF layout";
    return false;
  }
  TileCutter cutter(w, h, channels);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * static_cast<std::size_t>(channels));
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    if (!premultiplied) {
      cutter.AddRow(y, from);
      continue;
    }
    // The tile weighs colour by alpha itself: the colour is taken back out.
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = from + 4 * x;
      unsigned char* q = &row[static_cast<std::size_t>(4 * x)];
      for (int k = 0; k < 3; ++k) q[k] = p[3] == 0 ? 0 : static_cast<unsigned char>(std::min(255, p[k] * 255 / p[3]));
      q[3] = p[3];
    }
    cutter.AddRow(y, row.data());
  }
  *tile = cutter.Finish(1);  // the library has turned it upright
  return true;
}

}  // namespace

void PrepareHeif() {
  static const heif_error ready = heif_init(nullptr);
  (void)ready;
}

bool DecodeHeif(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch) {
  HeifPtr<heif_context> context(heif_context_alloc());
  if (!context) {
    *error = kNoMemory;
    return false;
  }
  heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
  heif_context_set_max_decoding_threads(context.get(), 0);  // the tiles of a grid one after the other
  heif_error status = heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr);
  if (Failed(status)) {
    *error = status.code == heif_error_Memory_allocation_error ? kNoMemory : LibraryError("file", status);
    return false;
  }
  heif_image_handle* raw = nullptr;
  status = heif_context_get_primary_image_handle(context.get(), &raw);
  if (Failed(status)) {
    *error = LibraryError("primary image", status);
    return false;
  }
  HeifPtr<heif_image_handle> handle(raw);
  const std::uint64_t width = static_cast<std::uint64_t>(std::max(0, heif_image_handle_get_width(raw)));
  const std::uint64_t height = static_cast<std::uint64_t>(std::max(0, heif_image_handle_get_height(raw)));
  if (HeifPtr<heif_image_handle> thumbnail = TileSizedThumbnail(raw)) {
    handle = std::move(thumbnail);
  } else if (width * height > watch.Limits().wholePixels) {
    *error = "too large (" + SizeText(width, height) + ")";
    return false;
  }
  char why[160];
  if (watch.Over(why, sizeof why)) {
    *error = why;
    return false;
  }
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
  HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
  if (!options) {
    *error = kNoMemory;
    return false;
  }
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  status = heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                             alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
  HeifPtr<heif_image> image(decoded);
  if (Failed(status) || !image) {
    *error = status.code == heif_error_Memory_allocation_error ? kNoMemory : LibraryError("image", status);
    return false;
  }
  if (watch.Over(why, sizeof why)) {
    *error = why;
    return false;
  }
  return CutTile(image.get(), alpha, premultiplied, tile, error);
}

}  // namespace decode
}  // namespace photo
