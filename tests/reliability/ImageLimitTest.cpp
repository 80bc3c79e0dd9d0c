// Streams whose frame header claims a huge picture are refused before any
// pixel memory is taken; pictures up to the limit still decode.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "images/ResourceImageLoader.h"
#include "tools/genimages/JpegWriter.h"

namespace {

std::vector<unsigned char> colourStream;

bool Find(const char* name, const unsigned char** data, std::uint32_t* size) {
  if (std::strcmp(name, "colour") != 0 || colourStream.empty()) return false;
  *data = colourStream.data();
  *size = static_cast<std::uint32_t>(colourStream.size());
  return true;
}

std::vector<unsigned char> Jpeg(int width, int height, int components) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                        static_cast<std::size_t>(components),
                                    128);
  return gen::CompressJpeg(pixels.data(), width, height, components, gen::JpegOptions{});
}

// Rewrites the height and width of the stream's frame header.
void ClaimSize(std::vector<unsigned char>& stream, unsigned width, unsigned height) {
  for (std::size_t i = 0; i + 8 < stream.size(); ++i) {
    if (stream[i] == 0xFF && stream[i + 1] == 0xC0) {
      stream[i + 5] = static_cast<unsigned char>(height >> 8);
      stream[i + 6] = static_cast<unsigned char>(height & 0xFF);
      stream[i + 7] = static_cast<unsigned char>(width >> 8);
      stream[i + 8] = static_cast<unsigned char>(width & 0xFF);
      return;
    }
  }
  FAIL() << "no baseline frame header";
}

class ImageLimitTest : public ::testing::Test {
 protected:
  void SetUp() override { SetImageResourceFinder(&Find); }
  void TearDown() override {
    SetImageResourceFinder(nullptr);
    colourStream.clear();
  }
};

TEST_F(ImageLimitTest, AStreamClaimingAHugePictureIsRefusedWithAMessage) {
  colourStream = Jpeg(16, 16, 3);
  ClaimSize(colourStream, 65000, 60000);
  ImageTexture image;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(DecodeImage(image, "colour"));
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.textureName, 0u);
  EXPECT_NE(message.find("65000 x 60000"), std::string::npos) << message;

}

TEST_F(ImageLimitTest, APictureAtTheLimitDecodes) {
  colourStream = Jpeg(4096, 4096, 1);
  ImageTexture image;
  ASSERT_TRUE(DecodeImage(image, "colour"));
  EXPECT_EQ(image.width, 4096);
  EXPECT_EQ(image.height, 4096);
  ASSERT_NE(image.pixels, nullptr);
  EXPECT_NEAR(image.pixels[4096 * 4096 - 1], 128, 2);
  FreeImagePixels(image);
}

}  // namespace
