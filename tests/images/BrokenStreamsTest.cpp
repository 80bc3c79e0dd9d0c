// The loader on streams that are missing, damaged or don't fit together: the
// load fails cleanly, frees what it took and leaves the next load working.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestStreams.h"
#include "images/ResourceImageLoader.h"
#include "images/ResourceSource.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class BrokenStreams : public FakeResources {
 protected:
  void TearDown() override {
    FreeImagePixels(image);
    FakeResources::TearDown();
  }

  // A failed load: false, no pixels, no texture.
  void ExpectFailedDecode(bool decoded) {
    EXPECT_FALSE(decoded);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.textureName, 0u);
  }

  ImageTexture image;
};

TEST_F(BrokenStreams, MissingOrEmptyResourceFailsAndALaterLoadWorks) {
  Put("EMPTY", {});
  ExpectFailedDecode(DecodeImage(image, "NOT_THERE"));
  ExpectFailedDecode(DecodeImage(image, "EMPTY"));
  ExpectFailedDecode(DecodeImage(image, nullptr));
  ExpectFailedDecode(DecodeWithMask(image, "NOT_THERE", "ALSO_NOT_THERE"));

  Put("LOGO_MASK", EmbeddedBytes("LOGO_MASK"));
  ASSERT_TRUE(DecodeImage(image, "LOGO_MASK"));
  EXPECT_EQ(image.width, 256);
  EXPECT_EQ(image.bitsPerPixel, 8);
}

TEST_F(BrokenStreams, BytesThatAreNotJpegNameTheirFirstTwoBytes) {
  const std::string text = "hello, not a picture";
  Put("TEXT", std::vector<unsigned char>(text.begin(), text.end()));
  CaptureStderr();
  ExpectFailedDecode(DecodeImage(image, "TEXT"));
  EXPECT_NE(GetCapturedStderr().find("Not a JPEG file: starts with 0x68 0x65"), std::string::npos);
}

TEST_F(BrokenStreams, TruncatedStreamFailsWithoutReadingPastItsEnd) {
  const std::vector<unsigned char> clouds = EmbeddedBytes("CLOUDS_MASK");
  ASSERT_GT(clouds.size(), 20000u);
  // Cut in the entropy-coded data, in the Exif segment, and just after the SOI.
  for (const std::size_t keep : {clouds.size() / 2, std::size_t{200}, std::size_t{2}}) {
    Put("CUT", std::vector<unsigned char>(clouds.begin(), clouds.begin() + static_cast<std::ptrdiff_t>(keep)));
    CaptureStderr();
    ExpectFailedDecode(DecodeImage(image, "CUT"));
    EXPECT_NE(GetCapturedStderr().find("Premature end"), std::string::npos) << "cut after " << keep;
  }
  // Missing only the end-of-image marker also fails: nothing is made up.
  Put("NO_EOI", std::vector<unsigned char>(clouds.begin(), clouds.end() - 2));
  CaptureStderr();
  ExpectFailedDecode(DecodeImage(image, "NO_EOI"));
  GetCapturedStderr();
}

TEST_F(BrokenStreams, SegmentLengthPastTheEndFails) {
  // SOI, then an APP1 claiming 65535 bytes with ten behind it.
  std::vector<unsigned char> bytes = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF};
  bytes.insert(bytes.end(), 10, 0x41);
  Put("LONG_SEGMENT", bytes);
  CaptureStderr();
  ExpectFailedDecode(DecodeImage(image, "LONG_SEGMENT"));
  GetCapturedStderr();
}

TEST_F(BrokenStreams, DamagedScanDataStillDecodes) {
  // Corrupt-data warnings don't stop decoding.
  std::vector<unsigned char> logo = EmbeddedBytes("LOGO_MASK");
  for (std::size_t i = logo.size() - 3000; i < logo.size() - 2900; ++i) {
    if (logo[i] != 0xFF && logo[i - 1] != 0xFF) logo[i] ^= 0x5A;
  }
  Put("DAMAGED", logo);
  CaptureStderr();
  EXPECT_TRUE(DecodeImage(image, "DAMAGED"));
  GetCapturedStderr();
  EXPECT_EQ(image.width, 256);
  EXPECT_NE(image.pixels, nullptr);
}

TEST_F(BrokenStreams, ColourImagesKeepThreeBytesPerPixel) {
  Put("RGB", MakeJpeg(40, 24, 3));
  ASSERT_TRUE(DecodeImage(image, "RGB"));
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_EQ(image.width, 40);
  EXPECT_EQ(image.height, 24);
  // Pixel (10, 6): samples 3x + 5y + 40c before compression.
  const unsigned char* p = image.pixels + (6 * 40 + 10) * 3;
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], 60 + 40 * c, 6) << "channel " << c;
}

TEST_F(BrokenStreams, MaskMustFitTheColourImage) {
  Put("RGB", MakeJpeg(64, 32, 3));
  Put("GREY", MakeJpeg(64, 32, 1));
  Put("WIDE_MASK", MakeJpeg(72, 32, 1));
  Put("TALL_MASK", MakeJpeg(64, 40, 1));
  Put("RGB_MASK", MakeJpeg(64, 32, 3));
  for (const char* mask : {"WIDE_MASK", "TALL_MASK", "RGB_MASK"}) {
    CaptureStderr();
    ExpectFailedDecode(DecodeWithMask(image, "RGB", mask));
    EXPECT_NE(GetCapturedStderr().find("does not fit"), std::string::npos) << mask;
    EXPECT_EQ(image.width, 64) << "the record keeps the colour image's size";
  }
  CaptureStderr();
  ExpectFailedDecode(DecodeWithMask(image, "GREY", "GREY"));
  EXPECT_NE(GetCapturedStderr().find("components instead of 3"), std::string::npos);
  ExpectFailedDecode(DecodeWithMask(image, "RGB", "NOT_THERE"));

  ASSERT_TRUE(DecodeWithMask(image, "RGB", "GREY"));
  EXPECT_EQ(image.bitsPerPixel, 32);
  const unsigned char* p = image.pixels + (10 * 64 + 20) * 4;
  EXPECT_NEAR(p[0], 20 * 3 + 10 * 5, 6);
  EXPECT_NEAR(p[3], 20 * 3 + 10 * 5, 6) << "alpha from the mask";
}

TEST_F(BrokenStreams, NarrowerMaskFillsAlphaAlongTheColourRows) {
  Put("RGB", MakeJpeg(64, 32, 3));
  Put("NARROW", MakeJpeg(32, 16, 1));
  ASSERT_TRUE(DecodeWithMask(image, "RGB", "NARROW"));
  ASSERT_EQ(image.width, 64);
  for (int y : {0, 7, 15}) {
    for (int x : {0, 13, 31}) {
      EXPECT_NEAR(image.pixels[(y * 64 + x) * 4 + 3], (x * 3 + y * 5) & 0xff, 6) << x << "," << y;
    }
    EXPECT_EQ(image.pixels[(y * 64 + 40) * 4 + 3], 0) << "beyond the mask";
  }
  EXPECT_EQ(image.pixels[(20 * 64 + 5) * 4 + 3], 0) << "below the mask";
}

TEST_F(BrokenStreams, ARecordReusedForANewLoadDropsItsOldPixels) {
  Put("RGB", MakeJpeg(16, 16, 3));
  ASSERT_TRUE(DecodeImage(image, "RGB"));
  ASSERT_TRUE(DecodeImage(image, "RGB"));  // the first buffer must not leak
  ExpectFailedDecode(DecodeImage(image, "NOT_THERE"));
}

// The source manager on its own.
class SourceManager : public ::testing::Test {
 protected:
  void SetUp() override {
    object.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = LoaderErrorExit;
    jpeg_create_decompress(&object);
    bytes.data = data;
    bytes.size = sizeof data;
    AttachResourceSource(&object, &bytes);
  }
  void TearDown() override { jpeg_destroy_decompress(&object); }

  LoaderErrorManager errors{};
  jpeg_decompress_struct object{};
  unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  ResourceBytes bytes;
};

TEST_F(SourceManager, SkipStopsAtTheEnd) {
  SkipResourceInput(&object, 0);
  SkipResourceInput(&object, -5);
  EXPECT_EQ(object.src->next_input_byte, data);
  EXPECT_EQ(object.src->bytes_in_buffer, 10u);
  SkipResourceInput(&object, 4);
  EXPECT_EQ(object.src->next_input_byte, data + 4);
  EXPECT_EQ(object.src->bytes_in_buffer, 6u);
  SkipResourceInput(&object, 1000);
  EXPECT_EQ(object.src->next_input_byte, data + 10);
  EXPECT_EQ(object.src->bytes_in_buffer, 0u);
}

TEST_F(SourceManager, ReattachReusesTheManagerAndRewinds) {
  jpeg_source_mgr* first = object.src;
  SkipResourceInput(&object, 7);
  ResourceBytes other{3, data + 5};
  AttachResourceSource(&object, &other);
  EXPECT_EQ(object.src, first);
  EXPECT_EQ(reinterpret_cast<ResourceSourceManager*>(object.src)->bytes, &other);
  EXPECT_EQ(object.src->next_input_byte, data + 5);
  EXPECT_EQ(object.src->bytes_in_buffer, 3u);
  EXPECT_EQ(object.src->resync_to_restart, jpeg_resync_to_restart);
}

}  // namespace
