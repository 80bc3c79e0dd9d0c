// The loader on missing, damaged, too large or mismatched streams, and on
// sound ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"
#include "tests/images/Streams.h"
#include "tools/genimages/JpegWriter.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

std::vector<unsigned char> EmbeddedBytes(const char* name) {
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  return FindEmbeddedResource(name, &data, &size) ? std::vector<unsigned char>(data, data + size)
                                                  : std::vector<unsigned char>();
}

// A baseline JPEG of the samples (3x + 5y + 40c) & 255.
std::vector<unsigned char> MakeJpeg(int width, int height, int components) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * components);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::size_t c = i % components, x = i / components % width, y = i / components / width;
    pixels[i] = static_cast<unsigned char>((x * 3 + y * 5 + c * 40) & 0xff);
  }
  gen::JpegOptions options;
  options.quality = 95;
  return gen::CompressJpeg(pixels.data(), width, height, components, options);
}

// Rewrites the height and width of the stream's baseline frame header.
std::vector<unsigned char> ClaimSize(std::vector<unsigned char> stream, unsigned width, unsigned height) {
  const unsigned char frame[] = {0xFF, 0xC0};
  const auto size = std::search(stream.begin(), stream.end(), frame, frame + 2) + 5;
  const unsigned char claim[4] = {static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                                  static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width)};
  std::copy(claim, claim + 4, size);
  return stream;
}

class BrokenStreams : public ::testing::Test {
 protected:
  void TearDown() override {
    FreeImagePixels(image);
    gStreams.clear();
  }

  // A failed load: false, no pixels, no texture, `message` on stderr.
  void ExpectFailure(const char* colour, const char* mask, const std::string& message) {
    SCOPED_TRACE(::testing::Message() << (colour ? colour : "null") << " " << (mask ? mask : ""));
    CaptureStderr();
    EXPECT_FALSE(mask ? DecodeWithMask(image, colour, mask, &FindStream) : DecodeImage(image, colour, &FindStream));
    const std::string said = GetCapturedStderr();
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.textureName, 0u);
    EXPECT_NE(said.find(message), std::string::npos) << said;
  }

  ImageTexture image;
};

TEST_F(BrokenStreams, EachFailsCleanlyWithItsMessageAndALaterLoadWorks) {
  const std::vector<unsigned char> clouds = EmbeddedBytes("CLOUDS_MASK");
  ASSERT_GT(clouds.size(), 20000u);
  const auto cut = [&](std::size_t keep) { return std::vector<unsigned char>(clouds.begin(), clouds.begin() + keep); };
  const std::string text = "hello, not a picture";
  std::vector<unsigned char> longSegment = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF};  // APP1 of 65535 bytes
  longSegment.insert(longSegment.end(), 10, 0x41);
  gStreams = {{"EMPTY", {}}, {"TEXT", std::vector<unsigned char>(text.begin(), text.end())},
              {"CUT_IN_SCAN", cut(clouds.size() / 2)}, {"CUT_IN_EXIF", cut(200)}, {"CUT_AFTER_SOI", cut(2)},
              {"NO_EOI", cut(clouds.size() - 2)},  // nothing is made up for a missing end
              {"LONG_SEGMENT", longSegment}, {"HUGE", ClaimSize(MakeJpeg(16, 16, 3), 65000, 60000)},
              {"RGB", MakeJpeg(64, 32, 3)}, {"GREY", MakeJpeg(64, 32, 1)}, {"WIDE_MASK", MakeJpeg(72, 32, 1)},
              {"TALL_MASK", MakeJpeg(64, 40, 1)}, {"RGB_MASK", MakeJpeg(64, 32, 3)}};
  const struct {
    const char *colour, *mask, *message;
  } rows[] = {{"NOT_THERE", nullptr, ""},      {"EMPTY", nullptr, ""},
              {nullptr, nullptr, ""},          {"TEXT", nullptr, "Not a JPEG file: starts with 0x68 0x65"},
              {"CUT_IN_SCAN", nullptr, "Premature end"},   {"CUT_IN_EXIF", nullptr, "Premature end"},
              {"CUT_AFTER_SOI", nullptr, "Premature end"}, {"NO_EOI", nullptr, ""},
              {"LONG_SEGMENT", nullptr, ""},  {"HUGE", nullptr, "65000 x 60000"},  // refused before allocating
              {"NOT_THERE", "ALSO_NOT_THERE", ""},         {"RGB", "NOT_THERE", ""},
              {"GREY", "GREY", "components instead of 3"}, {"RGB", "WIDE_MASK", "does not fit"},
              {"RGB", "TALL_MASK", "does not fit"},        {"RGB", "RGB_MASK", "does not fit"}};
  for (const auto& row : rows) ExpectFailure(row.colour, row.mask, row.message);
  EXPECT_EQ(image.width, 64) << "the record keeps the colour image's size";

  gStreams["LOGO_MASK"] = EmbeddedBytes("LOGO_MASK");
  ASSERT_TRUE(DecodeImage(image, "LOGO_MASK", &FindStream));
  EXPECT_TRUE(image.width == 256 && image.bitsPerPixel == 8);
  // Damaged scan data still decodes.
  std::vector<unsigned char>& logo = gStreams["DAMAGED"] = gStreams["LOGO_MASK"];
  for (std::size_t i = logo.size() - 3000; i < logo.size() - 2900; ++i) {
    if (logo[i] != 0xFF && logo[i - 1] != 0xFF) logo[i] ^= 0x5A;
  }
  CaptureStderr();
  EXPECT_TRUE(DecodeImage(image, "DAMAGED", &FindStream));
  GetCapturedStderr();
  EXPECT_TRUE(image.width == 256 && image.pixels != nullptr);
}

TEST_F(BrokenStreams, SoundStreamsDecodeToTheirSamples) {
  gStreams = {{"RGB", MakeJpeg(64, 32, 3)}, {"GREY", MakeJpeg(64, 32, 1)}, {"NARROW", MakeJpeg(32, 16, 1)},
              {"LIMIT", MakeJpeg(4096, 4096, 1)}};
  ASSERT_TRUE(DecodeImage(image, "RGB", &FindStream));
  ASSERT_TRUE(DecodeImage(image, "RGB", &FindStream));  // the first buffer must not leak
  EXPECT_EQ(image.bitsPerPixel, 24);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(image.pixels[(6 * 64 + 10) * 3 + c], 60 + 40 * c, 6) << "channel " << c;

  ASSERT_TRUE(DecodeWithMask(image, "RGB", "GREY", &FindStream));
  EXPECT_EQ(image.bitsPerPixel, 32);
  for (int c : {0, 3}) EXPECT_NEAR(image.pixels[(10 * 64 + 20) * 4 + c], 20 * 3 + 10 * 5, 6) << "red, alpha";

  // A narrower mask fills alpha along the colour rows; beyond it alpha is 0.
  ASSERT_TRUE(DecodeWithMask(image, "RGB", "NARROW", &FindStream));
  ASSERT_EQ(image.width, 64);
  for (int y : {0, 7, 15}) {
    for (int x : {0, 13, 31}) {
      EXPECT_NEAR(image.pixels[(y * 64 + x) * 4 + 3], (x * 3 + y * 5) & 0xff, 6) << x << "," << y;
    }
    EXPECT_EQ(image.pixels[(y * 64 + 40) * 4 + 3], 0) << "beyond the mask";
  }
  EXPECT_EQ(image.pixels[(20 * 64 + 5) * 4 + 3], 0) << "below the mask";

  ASSERT_TRUE(DecodeImage(image, "LIMIT", &FindStream)) << "the largest picture a load accepts";
  EXPECT_EQ(image.height, 4096);
  EXPECT_NEAR(image.pixels[4096 * 4096 - 1], (4095 * 8) & 0xff, 6);
}

}  // namespace
