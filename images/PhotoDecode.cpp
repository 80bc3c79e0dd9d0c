#include "images/PhotoDecode.h"

#include <cstring>

#include "images/PhotoDecodeParts.h"

namespace photo {

namespace decode {

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace decode

PhotoKind DetectKind(const unsigned char* data, std::size_t size) {
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data == nullptr) return PhotoKind::Unknown;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PhotoKind::Jpeg;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PhotoKind::Png;
  return PhotoKind::Unknown;
}

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
    case PhotoKind::Unknown:
      break;
  }
  *error = size == 0 ? "empty file" : "not a JPEG or PNG file";
  return false;
}

}  // namespace photo
