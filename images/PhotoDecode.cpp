#include "images/PhotoDecode.h"

#include <algorithm>
#include <cstring>

#include "images/PhotoDecodeParts.h"

namespace photo {

namespace decode {

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace decode

namespace {

// An ISO media file whose file-type box names a HEIF or AVIF brand, as its
// major brand or among the compatible ones.
bool IsHeif(const unsigned char* data, std::size_t size) {
  if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
  static const char* const kBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm",
                                        "hevs", "mif1", "msf1", "avif", "avis"};
  const std::size_t box = (std::size_t{data[0]} << 24) | (std::size_t{data[1]} << 16) | (std::size_t{data[2]} << 8) | data[3];
  const std::size_t end = std::min(size, box);
  for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // the major brand, then past the version
    for (const char* brand : kBrands) {
      if (std::memcmp(data + at, brand, 4) == 0) return true;
    }
  }
  return false;
}

}  // namespace

PhotoKind DetectKind(const unsigned char* data, std::size_t size) {
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data == nullptr) return PhotoKind::Unknown;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PhotoKind::Jpeg;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PhotoKind::Png;
  if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0) return PhotoKind::Webp;
  if (IsHeif(data, size)) return PhotoKind::Heif;
  return PhotoKind::Unknown;
}

void PrepareDecoders() { decode::PrepareHeif(); }

bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop, const DecodeLimits& limits) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  error->clear();
  const decode::Watch watch(stop, limits);
  switch (DetectKind(data, size)) {
    case PhotoKind::Jpeg:
      return decode::DecodeJpeg(data, size, tile, error, watch);
    case PhotoKind::Png:
      return decode::DecodePng(data, size, tile, error, watch);
    case PhotoKind::Heif:
      return decode::DecodeHeif(data, size, tile, error, watch);
    case PhotoKind::Webp:
      return decode::DecodeWebp(data, size, tile, error, watch);
    case PhotoKind::Unknown:
      break;
  }
  *error = size == 0 ? "empty file" : "not a photo (not JPEG, PNG, HEIC, AVIF or WebP)";
  return false;
}

}  // namespace photo
