#include "tools/icon/IconImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::uint32_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) { return Read16(b, at) | (Read16(b, at + 2) << 16); }

icon::Picture Solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  icon::Picture p;
  p.width = w;
  p.height = h;
  p.rgba.resize(static_cast<std::size_t>(w) * h * 4);
  for (std::size_t i = 0; i < p.rgba.size(); i += 4) {
    p.rgba[i] = r;
    p.rgba[i + 1] = g;
    p.rgba[i + 2] = b;
    p.rgba[i + 3] = a;
  }
  return p;
}

// The palette index stored for pixel (x, y) of the image at `offset`.
int StoredIndex(const std::vector<std::uint8_t>& file, std::size_t offset, int size, int x, int y) {
  const std::size_t row = static_cast<std::size_t>((4 * size + 31) / 32) * 4;
  const std::size_t pixels = offset + 40 + 16 * 4;
  const std::uint8_t byte = file[pixels + static_cast<std::size_t>(size - 1 - y) * row + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0x0f;
}

bool StoredTransparent(const std::vector<std::uint8_t>& file, std::size_t offset, int size, int x, int y) {
  const std::size_t colourRow = static_cast<std::size_t>((4 * size + 31) / 32) * 4;
  const std::size_t maskRow = static_cast<std::size_t>((size + 31) / 32) * 4;
  const std::size_t mask = offset + 40 + 16 * 4 + colourRow * size;
  return (file[mask + static_cast<std::size_t>(size - 1 - y) * maskRow + x / 8] & (0x80 >> (x % 8))) != 0;
}

TEST(IconImage, PaletteColoursMapToThemselves) {
  const icon::Colour* palette = icon::StandardPalette();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(icon::NearestPaletteIndex(palette[i].r, palette[i].g, palette[i].b), i);
  EXPECT_EQ(icon::NearestPaletteIndex(250, 10, 5), 9);  // near red
  EXPECT_EQ(icon::NearestPaletteIndex(20, 20, 30), 0);  // near black
}

TEST(IconImage, ScalingAveragesAndKeepsTheCropWindow) {
  // Left half red, right half blue; a 2-pixel target averages each half.
  icon::Picture p = Solid(8, 8, 255, 0, 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 4; x < 8; ++x) {
      p.At(x, y)[0] = 0;
      p.At(x, y)[2] = 255;
    }
  }
  icon::Picture s = icon::CropAndScale(p, 0, 0, 8, 2);
  EXPECT_EQ(s.At(0, 0)[0], 255);
  EXPECT_EQ(s.At(1, 1)[2], 255);
  EXPECT_EQ(s.At(1, 1)[0], 0);
  // A crop of the right half alone is all blue.
  icon::Picture right = icon::CropAndScale(p, 4, 0, 4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(right.At(x, y)[2], 255);
  // A crop reaching past the picture is transparent there.
  icon::Picture outside = icon::CropAndScale(p, 4, 0, 8, 2);
  EXPECT_EQ(outside.At(0, 0)[3], 255);
  EXPECT_EQ(outside.At(1, 0)[3], 0);
}

TEST(IconImage, DitheringKeepsTheMeanColour) {
  // A mid grey between two palette greys dithers to a mix of them.
  icon::Picture p = Solid(32, 32, 160, 160, 160);
  icon::IndexedImage image = icon::Quantize(p);
  double sum = 0;
  for (std::uint8_t index : image.indices) sum += icon::StandardPalette()[index].g;
  EXPECT_NEAR(sum / image.indices.size(), 160.0, 4.0);
  // Without diffusion every pixel takes the same nearest colour.
  icon::IndexedImage plain = icon::Quantize(p, 0.0);
  for (std::uint8_t index : plain.indices) ASSERT_EQ(index, plain.indices[0]);
}

TEST(IconImage, CircleMaskLeavesCornersTransparent) {
  icon::Picture p = Solid(16, 16, 0, 0, 255);
  icon::MaskToCircle(p);
  EXPECT_EQ(p.At(0, 0)[3], 0);
  EXPECT_EQ(p.At(15, 15)[3], 0);
  EXPECT_EQ(p.At(8, 8)[3], 255);
  EXPECT_EQ(p.At(8, 0)[3], 255);
  icon::IndexedImage image = icon::Quantize(p);
  EXPECT_TRUE(image.transparent[0]);
  EXPECT_FALSE(image.transparent[8 * 16 + 8]);
}

TEST(IconImage, FileHoldsTwoSixteenColourImages) {
  icon::Picture big = Solid(32, 32, 255, 0, 0);
  big.At(31, 0)[3] = 0;  // top right transparent
  big.At(0, 31)[0] = 0;  // bottom left blue
  big.At(0, 31)[2] = 255;
  icon::Picture small = Solid(16, 16, 0, 255, 0);
  const std::vector<std::uint8_t> file = icon::EncodeIcon({icon::Quantize(big), icon::Quantize(small)});

  ASSERT_GE(file.size(), 6u + 2 * 16);
  EXPECT_EQ(Read16(file, 0), 0u);
  EXPECT_EQ(Read16(file, 2), 1u);
  ASSERT_EQ(Read16(file, 4), 2u);
  const int sizes[2] = {32, 16};
  std::size_t expectedOffset = 6 + 2 * 16;
  for (int i = 0; i < 2; ++i) {
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(file[entry], sizes[i]);
    EXPECT_EQ(file[entry + 1], sizes[i]);
    EXPECT_EQ(file[entry + 2], 16);
    EXPECT_EQ(Read16(file, entry + 6), 4u);
    const std::uint32_t bytes = Read32(file, entry + 8);
    const std::uint32_t offset = Read32(file, entry + 12);
    EXPECT_EQ(offset, expectedOffset);
    const std::size_t colourRow = static_cast<std::size_t>((4 * sizes[i] + 31) / 32) * 4;
    const std::size_t maskRow = static_cast<std::size_t>((sizes[i] + 31) / 32) * 4;
    EXPECT_EQ(bytes, 40 + 64 + (colourRow + maskRow) * sizes[i]);
    ASSERT_LE(offset + bytes, file.size());
    EXPECT_EQ(Read32(file, offset), 40u);
    EXPECT_EQ(Read32(file, offset + 8), static_cast<std::uint32_t>(2 * sizes[i]));
    EXPECT_EQ(Read16(file, offset + 14), 4u);
    expectedOffset += bytes;
  }
  EXPECT_EQ(expectedOffset, file.size());

  const std::size_t first = Read32(file, 6 + 12);
  EXPECT_EQ(StoredIndex(file, first, 32, 5, 5), 9);   // red
  EXPECT_EQ(StoredIndex(file, first, 32, 0, 31), 12);  // blue, bottom row first in the file
  EXPECT_TRUE(StoredTransparent(file, first, 32, 31, 0));
  EXPECT_FALSE(StoredTransparent(file, first, 32, 30, 0));
  EXPECT_FALSE(StoredTransparent(file, first, 32, 0, 31));
  const std::size_t second = Read32(file, 6 + 16 + 12);
  EXPECT_EQ(StoredIndex(file, second, 16, 3, 7), 10);  // green
}

}  // namespace
