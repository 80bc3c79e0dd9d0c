// Arbitrary bytes as the JPEG streams of the two loads (decoding only, no
// GL): each load either fails, leaving no pixels, or yields a sound image.
// A combined image must agree with the colour and mask streams decoded alone.
//
// Input: byte 0 chooses the load (bit 0 clear: one stream, set: colour and
// mask); for the masked load bytes 1 and 2 give the colour stream's length
// (little-endian), the rest is the mask.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "images/ResourceImageLoader.h"

namespace {

// Each stream in an allocation of its own size, so that a read past its end
// is caught.
struct Stream {
  std::unique_ptr<unsigned char[]> bytes;
  std::uint32_t size = 0;
  void Assign(const std::uint8_t* data, std::size_t length) {
    bytes.reset(new unsigned char[length > 0 ? length : 1]);
    if (length > 0) std::memcpy(bytes.get(), data, length);
    size = static_cast<std::uint32_t>(length);
  }
};

Stream colour;
Stream mask;

bool Find(const char* name, const unsigned char** data, std::uint32_t* size) {
  const Stream* stream = std::strcmp(name, "colour") == 0 ? &colour : std::strcmp(name, "mask") == 0 ? &mask : nullptr;
  if (stream == nullptr || stream->size == 0) return false;
  *data = stream->bytes.get();
  *size = stream->size;
  return true;
}

std::size_t ByteCount(const ImageTexture& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
         static_cast<std::size_t>(image.bitsPerPixel / 8);
}

// A failed load keeps no pixels and makes no texture; a good one has a size,
// a known format and a buffer that holds every pixel (read to the end, so
// that a short buffer is caught).
void CheckResult(bool ok, const ImageTexture& image, bool masked) {
  if (image.textureName != 0) std::abort();
  if (!ok) {
    if (image.pixels != nullptr) std::abort();
    return;
  }
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) std::abort();
  // One byte per component: grey 8, colour 24; the library also gives 2 to
  // 10 components (CMYK, unknown colour spaces), which stay as they are.
  const bool knownFormat = masked ? image.bitsPerPixel == 32
                                  : image.bitsPerPixel % 8 == 0 && image.bitsPerPixel >= 8 && image.bitsPerPixel <= 80;
  if (!knownFormat) std::abort();
  unsigned sum = 0;
  const std::size_t count = ByteCount(image);
  for (std::size_t i = 0; i < count; ++i) sum += image.pixels[i];
  if (sum == 0xffffffffu) std::abort();  // keeps the reads
}

void CheckMasked() {
  ImageTexture combined;
  const bool ok = DecodeWithMask(combined, "colour", "mask");
  CheckResult(ok, combined, true);
  if (!ok) {
    return;
  }
  // The colour stream alone must decode to the same samples. The mask alone
  // may fail (a stream without its own tables borrows those the colour
  // stream left on the shared decompression object); when it decodes, the
  // alpha beyond it stays 0.
  ImageTexture rgb;
  ImageTexture grey;
  if (!DecodeImage(rgb, "colour") || rgb.bitsPerPixel != 24) std::abort();
  if (rgb.width != combined.width || rgb.height != combined.height) std::abort();
  if (!DecodeImage(grey, "mask")) {
    grey.width = combined.width;
    grey.height = combined.height;
  }
  if (grey.width > combined.width || grey.height > combined.height) std::abort();
  for (std::int32_t y = 0; y < combined.height; ++y) {
    for (std::int32_t x = 0; x < combined.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(combined.width) +
                             static_cast<std::size_t>(x);
      const unsigned char* pixel = combined.pixels + 4 * at;
      if (std::memcmp(pixel, rgb.pixels + 3 * at, 3) != 0) std::abort();
      if ((x >= grey.width || y >= grey.height) && pixel[3] != 0) std::abort();
    }
  }
  FreeImagePixels(rgb);
  FreeImagePixels(grey);
  FreeImagePixels(combined);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetImageResourceFinder(&Find);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool masked = (data[0] & 1) != 0;
  if (!masked) {
    colour.Assign(data + 1, size - 1);
    ImageTexture image;
    const bool ok = DecodeImage(image, "colour");
    CheckResult(ok, image, false);
    FreeImagePixels(image);
    return 0;
  }
  if (size < 3) return 0;
  std::size_t colourSize = static_cast<std::size_t>(data[1]) | static_cast<std::size_t>(data[2]) << 8;
  if (colourSize > size - 3) colourSize = size - 3;
  colour.Assign(data + 3, colourSize);
  mask.Assign(data + 3 + colourSize, size - 3 - colourSize);
  CheckMasked();
  return 0;
}
