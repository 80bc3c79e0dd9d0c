// Arbitrary bytes as the JPEG streams of the two loads (no GL): each load
// fails leaving no pixels, or yields a sound image; a combined image agrees
// with its streams decoded alone. Byte 0 bit 0 picks the masked load, whose
// bytes 1 and 2 give the colour stream's length (little-endian).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "images/ResourceImageLoader.h"
#include "tests/images/Streams.h"

namespace {

void Require(bool condition) { if (!condition) std::abort(); }

// A failed load keeps no pixels and no texture; a good one has a size, a
// known format (the library also gives 2 to 10 components, kept as they
// are) and a buffer that holds every pixel, read to the end.
void CheckResult(bool ok, const ImageTexture& image, bool masked) {
  Require(image.textureName == 0 && ok == (image.pixels != nullptr));
  if (!ok) return;
  const int bits = image.bitsPerPixel;
  Require(image.width > 0 && image.height > 0 && (masked ? bits == 32 : bits % 8 == 0 && bits >= 8 && bits <= 80));
  unsigned sum = 0;
  const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) *
                            static_cast<std::size_t>(bits / 8);
  for (std::size_t i = 0; i < count; ++i) sum += image.pixels[i];
  Require(sum != 0xffffffffu);  // keeps the reads
}

void CheckMasked() {
  ImageTexture combined;
  const bool ok = DecodeWithMask(combined, "colour", "mask", &FindStream);
  CheckResult(ok, combined, true);
  if (!ok) return;
  // The colour stream alone decodes to the same samples. The mask alone may
  // fail (it may borrow the colour stream's tables from the shared object);
  // when it decodes, the alpha beyond it stays 0.
  ImageTexture rgb, grey;
  Require(DecodeImage(rgb, "colour", &FindStream) && rgb.bitsPerPixel == 24 && rgb.width == combined.width &&
          rgb.height == combined.height);
  if (!DecodeImage(grey, "mask", &FindStream)) {
    grey.width = combined.width;
    grey.height = combined.height;
  }
  Require(grey.width <= combined.width && grey.height <= combined.height);
  for (std::int32_t at = 0; at < combined.width * combined.height; ++at) {
    const unsigned char* pixel = combined.pixels + 4 * at;
    const bool masked = at % combined.width < grey.width && at / combined.width < grey.height;
    Require(std::memcmp(pixel, rgb.pixels + 3 * at, 3) == 0 && (masked || pixel[3] == 0));
  }
  FreeImagePixels(rgb);
  FreeImagePixels(grey);
  FreeImagePixels(combined);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool masked = (data[0] & 1) != 0;
  if (!masked) {
    gStreams["colour"] = std::vector<unsigned char>(data + 1, data + size);  // a fresh block of its size
    ImageTexture image;
    const bool ok = DecodeImage(image, "colour", &FindStream);
    CheckResult(ok, image, false);
    FreeImagePixels(image);
    return 0;
  }
  if (size < 3) return 0;
  std::size_t colourSize = static_cast<std::size_t>(data[1]) | static_cast<std::size_t>(data[2]) << 8;
  if (colourSize > size - 3) colourSize = size - 3;
  gStreams["colour"] = std::vector<unsigned char>(data + 3, data + 3 + colourSize);
  gStreams["mask"] = std::vector<unsigned char>(data + 3 + colourSize, data + size);
  CheckMasked();
  return 0;
}
