// Decodes the embedded images through the platform's resource lookup, as the
// disc field's set-up does, without uploading them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

#include "images/ResourceImageLoader.h"

namespace {

constexpr int kCell = 78;
constexpr int kColumns = 13;
constexpr int kRows = 6;

// Owns a decoded record for the length of a test.
struct Decoded {
  ImageTexture image;
  ~Decoded() { FreeImagePixels(image); }
  const unsigned char* At(int x, int y) const {
    const std::size_t bytes = static_cast<std::size_t>(image.bitsPerPixel / 8);
    return image.pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + x) * bytes;
  }
};

TEST(EmbeddedImages, AtlasCombinesColourAndMask) {
  Decoded atlas;
  ASSERT_TRUE(DecodeWithMask(atlas.image, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK"));
  EXPECT_EQ(atlas.image.width, 1024);
  EXPECT_EQ(atlas.image.height, 512);
  EXPECT_EQ(atlas.image.bitsPerPixel, 32);
  EXPECT_EQ(atlas.image.textureName, 0u);
  ASSERT_NE(atlas.image.pixels, nullptr);

  // The colour bytes are exactly what the colour stream decodes to alone.
  Decoded colour;
  ASSERT_TRUE(DecodeImage(colour.image, "JPEG_ZIRBEL_RGB"));
  ASSERT_EQ(colour.image.bitsPerPixel, 24);
  int mismatches = 0;
  for (int y = 0; y < 512; y += 7) {
    for (int x = 0; x < 1024; x += 5) {
      mismatches += !std::equal(colour.At(x, y), colour.At(x, y) + 3, atlas.At(x, y));
    }
  }
  EXPECT_EQ(mismatches, 0);

  // Alpha: opaque at every cell's centre, clear at its corners and outside
  // the grid (a few levels of compression noise allowed next to the discs).
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const int left = column * kCell, top = row * kCell;
      EXPECT_GE(atlas.At(left + 39, top + 39)[3], 250) << "cell " << column << "," << row;
      EXPECT_GE(atlas.At(left + 39, top + 5)[3], 245) << "inside the disc near its top";
      EXPECT_LE(atlas.At(left + 2, top + 2)[3], 6) << "cell corner " << column << "," << row;
      EXPECT_LE(atlas.At(left + kCell - 3, top + kCell - 3)[3], 6);
    }
  }
  // Outside the grid: compression noise only in the 8 x 8 blocks that
  // touch the last cells, exactly clear beyond them.
  int nearGrid = 0, beyond = 0;
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 1024; ++x) {
      const int alpha = atlas.At(x, y)[3];
      if (x >= 1016 || y >= 472) {
        beyond = std::max(beyond, alpha);
      } else if (x >= kColumns * kCell || y >= kRows * kCell) {
        nearGrid = std::max(nearGrid, alpha);
      }
    }
  }
  EXPECT_LE(nearGrid, 8);
  EXPECT_EQ(beyond, 0);
}

TEST(EmbeddedImages, AtlasTilesAreVariedPictures) {
  Decoded atlas;
  ASSERT_TRUE(DecodeWithMask(atlas.image, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK"));
  std::set<int> distinctMeans;
  std::set<int> hueSectors;
  for (int tile = 0; tile < kColumns * kRows; ++tile) {
    const int left = (tile % kColumns) * kCell, top = (tile / kColumns) * kCell;
    double sum[3] = {0, 0, 0}, sumSquares = 0;
    int count = 0;
    for (int y = 9; y < kCell - 9; ++y) {
      for (int x = 9; x < kCell - 9; ++x) {
        const unsigned char* p = atlas.At(left + x, top + y);
        const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        for (int c = 0; c < 3; ++c) sum[c] += p[c];
        sumSquares += luma * luma;
        ++count;
      }
    }
    const double mean[3] = {sum[0] / count, sum[1] / count, sum[2] / count};
    const double meanLuma = 0.299 * mean[0] + 0.587 * mean[1] + 0.114 * mean[2];
    const double spread = std::sqrt(std::max(0.0, sumSquares / count - meanLuma * meanLuma));
    EXPECT_GT(spread, 6.0) << "tile " << tile << " is flat";
    EXPECT_GT(meanLuma, 15.0) << "tile " << tile << " is nearly black";
    distinctMeans.insert((static_cast<int>(mean[0]) / 16) * 256 + (static_cast<int>(mean[1]) / 16) * 16 +
                         static_cast<int>(mean[2]) / 16);
    const double high = std::max({mean[0], mean[1], mean[2]});
    const double low = std::min({mean[0], mean[1], mean[2]});
    if (high - low > 30) {  // coloured enough to have a hue
      double hue;
      if (high == mean[0]) hue = std::fmod((mean[1] - mean[2]) / (high - low) + 6, 6);
      else if (high == mean[1]) hue = (mean[2] - mean[0]) / (high - low) + 2;
      else hue = (mean[0] - mean[1]) / (high - low) + 4;
      hueSectors.insert(static_cast<int>(hue) % 6);
    }
  }
  EXPECT_GE(distinctMeans.size(), 50u) << "tiles look alike";
  EXPECT_GE(hueSectors.size(), 5u) << "too few hues across the tiles";
}

TEST(EmbeddedImages, GreyImagesKeepOneBytePerPixel) {
  Decoded clouds;
  ASSERT_TRUE(DecodeImage(clouds.image, "CLOUDS_MASK"));
  EXPECT_EQ(clouds.image.width, 1024);
  EXPECT_EQ(clouds.image.height, 256);
  EXPECT_EQ(clouds.image.bitsPerPixel, 8);
  const auto cloudsEnd = clouds.image.pixels + 1024 * 256;
  EXPECT_LT(*std::min_element(clouds.image.pixels, cloudsEnd), 20) << "clear sky somewhere";
  EXPECT_GT(*std::max_element(clouds.image.pixels, cloudsEnd), 200) << "dense cloud somewhere";

  Decoded logo;
  ASSERT_TRUE(DecodeImage(logo.image, "LOGO_MASK"));
  EXPECT_EQ(logo.image.width, 256);
  EXPECT_EQ(logo.image.height, 64);
  EXPECT_EQ(logo.image.bitsPerPixel, 8);
  // Clear margins, opaque letters in the middle.
  EXPECT_LE(logo.At(0, 0)[0], 4);
  EXPECT_LE(logo.At(255, 63)[0], 4);
  const auto logoEnd = logo.image.pixels + 256 * 64;
  const auto opaque = std::count_if(logo.image.pixels, logoEnd, [](unsigned char v) { return v >= 240; });
  EXPECT_GT(opaque, 256 * 64 / 10);
  EXPECT_LT(opaque, 256 * 64 / 2);
}

}  // namespace
