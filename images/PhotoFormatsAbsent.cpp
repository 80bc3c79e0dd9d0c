// The decoders of a build without HEIF and AVIF (libheif) or WebP (libwebp):
// such a photo is skipped with a reason.
#include "images/PhotoDecodeParts.h"

namespace photo {
namespace decode {

#ifndef ZIRBEL_WITH_HEIF
void PrepareHeif() {}

bool DecodeHeif(const unsigned char*, std::size_t, Tile*, std::string* error, const Watch&) {
  *error = "HEIC and AVIF photos are not read by this build";
  return false;
}
#endif

#ifndef ZIRBEL_WITH_WEBP
bool DecodeWebp(const unsigned char*, std::size_t, Tile*, std::string* error, const Watch&) {
  *error = "WebP photos are not read by this build";
  return false;
}
#endif

}  // namespace decode
}  // namespace photo
