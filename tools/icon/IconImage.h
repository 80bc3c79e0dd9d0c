#pragma once
// Turns an RGB picture into a Windows icon file with 16-colour images.
#include <cstdint>
#include <vector>

namespace icon {

// An RGBA picture, rows top first, 4 bytes a pixel. Alpha 0 is transparent.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;

  std::uint8_t* At(int x, int y) { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
  const std::uint8_t* At(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

struct Colour {
  std::uint8_t r, g, b;
};

// The standard 16-colour palette of Windows icons.
const Colour* StandardPalette();  // 16 entries
int NearestPaletteIndex(int r, int g, int b);

// The square of `size` pixels at (x, y), scaled to `target` pixels a side by
// averaging (area sampling). Pixels outside the source count as transparent.
Picture CropAndScale(const Picture& source, int x, int y, int size, int target);

// Makes everything outside the centred circle transparent.
void MaskToCircle(Picture& picture);

// One icon image: 4-bit palette indices (rows top first) and a transparency
// mask (true = transparent), dithered from `picture` onto StandardPalette().
// `dither` scales the diffused error: 1 full Floyd-Steinberg, 0 none.
struct IndexedImage {
  int size = 0;
  std::vector<std::uint8_t> indices;
  std::vector<bool> transparent;
};
IndexedImage Quantize(const Picture& picture, double dither = 1.0);

// The bytes of an .ico file holding the given square images.
std::vector<std::uint8_t> EncodeIcon(const std::vector<IndexedImage>& images);

}  // namespace icon
