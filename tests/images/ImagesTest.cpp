// The embedded pictures' loader on missing, damaged, too large or
// mismatched streams, and on sound ones. Photos as tiles: the centre square
// turned upright (a JPEG's or WebP's Exif orientation; a HEIF's own rotation
// and mirroring, never its Exif orientation once more), 10-bit brought to 8,
// masked like the embedded atlas, with the photo's own transparency; an
// animation's first frame, a HEIF's thumbnail where it is enough; broken,
// cut-off and hostile photos refused with a reason; the kind told by the
// content, not the name; the atlas laid out as the embedded one; the folder
// walk; and the worker that makes the atlases. HEIC, AVIF and WebP photos
// are made by Debian's encoders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "images/PhotoAtlasSource.h"
#include "images/PhotoDecode.h"
#include "images/PhotoFolder.h"
#include "images/PhotoTiles.h"
#include "images/ResourceImageLoader.h"
#include "resources/EmbeddedResources.h"
#include "tests/images/Streams.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using Rgb = std::array<int, 3>;
const Rgb kQuadrant[4] = {{230, 20, 20}, {20, 200, 20}, {20, 20, 230}, {230, 230, 20}};  // TL TR BL BR

// A 240 x 160 photo: white margins left and right of a centre square whose
// quadrants have the four colours above (all of `colour` where given),
// stored as a camera turned for Exif orientation `o` stores them (any but 1
// to 8: upright); 3 or 4 channels (4: the square's right half transparent),
// 1 or 2 bytes a sample.
std::vector<unsigned char> Pixels(int o, int channels = 3, int bytes = 1, int colour = -1) {
  std::vector<unsigned char> out(std::size_t{240} * 160 * channels * bytes, 255);
  const int n = 159;
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 160; ++x) {
      // Where upright pixel (x, y) of the square lies as stored.
      const int places[9][2] = {{x, y}, {x, y}, {n - x, y}, {n - x, n - y}, {x, n - y},
                                {y, x}, {y, n - x}, {n - y, n - x}, {n - y, x}};
      const int* stored = places[o >= 1 && o <= 8 ? o : 0];
      const Rgb& c = kQuadrant[colour >= 0 ? colour : (y >= 80) * 2 + (x >= 80)];
      const std::size_t at = (static_cast<std::size_t>(stored[1]) * 240 + 40 + stored[0]) * channels * bytes;
      for (int k = 0; k < channels * bytes; ++k) {
        out[at + k] = static_cast<unsigned char>(k / bytes < 3 ? c[k / bytes] : x < 80 ? 255 : 0);
      }
    }
  }
  return out;
}

// A JPEG of those pixels with Exif orientation `o` (0: no Exif); `cut`:
// the Exif block ends with its first directory, as heif-enc needs to read it.
std::vector<unsigned char> QuadrantJpeg(int o, bool bigEndian = true, bool cut = false) {
  gen::JpegOptions options;
  options.quality = 95;
  if (o > 0) options.segments.push_back(gen::OrientationSegment(o, bigEndian));
  if (o > 0 && cut) options.segments[0].payload.resize(options.segments[0].payload.size() - 4);
  return gen::CompressJpeg(Pixels(o).data(), 240, 160, 3, options);
}

// A JPEG of the samples (3x + 5y + 40c) & 255.
std::vector<unsigned char> MakeJpeg(int width, int height, int components, bool progressive = false) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * components);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::size_t c = i % components, x = i / components % width, y = i / components / width;
    pixels[i] = static_cast<unsigned char>((x * 3 + y * 5 + c * 40) & 0xff);
  }
  gen::JpegOptions options;
  options.quality = 95;
  options.progressive = progressive;
  return gen::CompressJpeg(pixels.data(), width, height, components, options);
}

// Rewrites the height and width of the stream's frame header (0xC0:
// baseline, 0xC2: progressive).
std::vector<unsigned char> ClaimSize(std::vector<unsigned char> stream, unsigned width, unsigned height,
                                     unsigned char frame = 0xC0) {
  const unsigned char marker[] = {0xFF, frame};
  const auto size = std::search(stream.begin(), stream.end(), marker, marker + 2) + 5;
  const unsigned char claim[4] = {static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
                                  static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width)};
  std::copy(claim, claim + 4, size);
  return stream;
}

std::vector<unsigned char> EmbeddedBytes(const char* name) {
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  return FindEmbeddedResource(name, &data, &size) ? std::vector<unsigned char>(data, data + size)
                                                  : std::vector<unsigned char>();
}

// A 1-pixel PNG followed by 64 MiB of compressed zeros.
std::vector<unsigned char> BombPng() {
  gen::PngOptions bomb;
  bomb.extraZeros = 64u << 20;
  return gen::MakePng(1, 1, {0, 0, 0}, bomb);
}

// Decodes a photo into `tile` (may be null): "", or the reason it was refused.
std::string Decode(const std::vector<unsigned char>& bytes, photo::Tile* tile = nullptr,
                   const photo::DecodeLimits& limits = {}, const std::atomic<bool>* stop = nullptr) {
  photo::Tile own;
  std::string error;
  const bool decoded = photo::DecodePhotoTile(bytes.data(), bytes.size(), tile ? tile : &own, &error, stop, limits);
  EXPECT_EQ(decoded, error.empty());
  return error;
}

Rgb At(const std::vector<unsigned char>& rgba, int width, int x, int y) {
  const unsigned char* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2]};
}

void ExpectNear(const Rgb& got, const Rgb& want, int tolerance, const std::string& where) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], tolerance) << where << " channel " << k;
}

// The upright tile's quadrants show the four colours, opaque; with
// `rightTransparent`, the right ones transparent instead.
void ExpectQuadrants(const photo::Tile& tile, int tolerance, bool rightTransparent = false) {
  const int corner[4][2] = {{20, 20}, {57, 20}, {20, 57}, {57, 57}};
  for (int q = 0; q < 4; ++q) {
    const int x = corner[q][0], y = corner[q][1];
    const int alpha = tile[static_cast<std::size_t>(y * 78 + x) * 4 + 3];
    if (rightTransparent && q % 2 == 1) {
      EXPECT_EQ(alpha, 0) << "quadrant " << q << " is transparent";
    } else {
      EXPECT_EQ(alpha, 255) << "quadrant " << q;
      ExpectNear(At(tile, 78, x, y), kQuadrant[q], tolerance, "quadrant " + std::to_string(q));
    }
  }
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

TEST_F(BrokenStreams, EachFailsCleanlyWithItsMessageAndSoundOnesDecodeToTheirSamples) {
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

  // Sound streams decode to their samples.
  gStreams["NARROW"] = MakeJpeg(32, 16, 1);
  gStreams["LIMIT"] = MakeJpeg(4096, 4096, 1);
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

// A JPEG's Exif orientation in either byte order, its block ending with the
// directory or not; the tile's opacity is the disc's.
TEST(PhotoTiles, CentreSquareTurnedUprightForEachOrientation) {
  for (int orientation = 0; orientation <= 9; ++orientation) {  // 0: no Exif; 9: out of range
    SCOPED_TRACE(orientation);
    photo::Tile tile;
    ASSERT_EQ(Decode(QuadrantJpeg(orientation, orientation % 2 == 0, orientation >= 5), &tile), "");
    ASSERT_EQ(tile.size(), 78u * 78u * 4u);
    ExpectQuadrants(tile, 12);
    for (int y = 0; y < 78; ++y) {
      for (int x = 0; x < 78; ++x) ASSERT_EQ(tile[(y * 78 + x) * 4 + 3], photo::TileOpacity(x, y));
    }
  }
}

// A PNG's transparency, in each form a PNG can hold it, is the tile's: the
// left part opaque blue, the rest transparent red that never shows, not even
// blended into the tile pixel that covers both.
TEST(PhotoTiles, PngTransparencyIsKept) {
  const int side = 64;
  struct Case {
    const char* name;
    gen::PngOptions options;
    std::vector<unsigned char> blue, red;  // one pixel of each, as stored
  } cases[] = {
      {"RGBA", {6, 8, {}, {}, 0}, {0, 0, 255, 255}, {255, 0, 0, 0}},
      {"palette with tRNS", {3, 8, {0, 0, 255, 255, 0, 0}, {255, 0}, 0}, {0}, {1}},
      {"RGB with a transparent colour", {2, 8, {}, {0, 255, 0, 0, 0, 0}, 0}, {0, 0, 255}, {255, 0, 0}},
      {"grey and alpha, 16 bits", {4, 16, {}, {}, 0}, {0, 0, 255, 255}, {255, 255, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned char> pixels;
    for (int i = 0; i < side * side; ++i) {
      const std::vector<unsigned char>& p = i % side < 26 ? c.blue : c.red;
      pixels.insert(pixels.end(), p.begin(), p.end());
    }
    photo::Tile tile;
    ASSERT_EQ(Decode(gen::MakePng(side, side, pixels, c.options), &tile), "");
    const Rgb blue = c.options.colourType == 4 ? Rgb{0, 0, 0} : Rgb{0, 0, 255};  // grey
    ExpectNear(At(tile, 78, 15, 39), blue, 12, "left");
    EXPECT_EQ(tile[(39 * 78 + 15) * 4 + 3], 255);
    ExpectNear(At(tile, 78, 31, 39), blue, 12, "the pixel covering both");
    EXPECT_TRUE(tile[(39 * 78 + 31) * 4 + 3] > 100 && tile[(39 * 78 + 31) * 4 + 3] < 200);
    for (int y = 0; y < 78; ++y) {
      for (int x = 30; x < 78; ++x) {
        const unsigned char* p = &tile[(y * 78 + x) * 4];
        ASSERT_LE(p[0], 2) << "red shows at " << x << ", " << y;
        ASSERT_LE(p[3], x >= 33 ? 0 : photo::TileOpacity(x, y)) << x << ", " << y;
      }
    }
  }
}

// Photos that would take too long or too much memory are refused with a
// reason, a 48-megapixel progressive photo without chroma subsampling is
// not, and a stop is heard while a PNG inflates data after its last row.
TEST(PhotoTiles, HostilePhotosAreRefusedWithAReason) {
  photo::DecodeLimits limits;
  EXPECT_EQ(Decode(BombPng(), nullptr, limits), "holds far more compressed data than its picture needs");
  const std::vector<unsigned char> scans = gen::RepeatLastScan(MakeJpeg(64, 64, 1, true), 150);
  EXPECT_EQ(Decode(scans, nullptr, limits), "has more than 100 scans (a progressive photo has about ten)");
  limits.jpegScans = 150;
  EXPECT_EQ(Decode(scans, nullptr, limits), "") << "the file itself is sound";

  // Each look at the clock a second later: the 10 s are soon over.
  auto seconds = std::chrono::steady_clock::time_point();
  limits.now = [&seconds] { return seconds += std::chrono::seconds(1); };
  EXPECT_EQ(Decode(QuadrantJpeg(1), nullptr, limits), "takes longer than the 10 s a photo may take to decode");
  limits = photo::DecodeLimits();

  // The 48-megapixel case: a small progressive 4:4:4 photo's frame header
  // claiming 8000 x 6000 (the missing data decodes as grey).
  const std::vector<unsigned char> large = ClaimSize(MakeJpeg(64, 48, 3, true), 8000, 6000, 0xC2);
  EXPECT_EQ(Decode(large, nullptr, limits), "");
  limits.jpegMemory = 200u << 20;
  EXPECT_EQ(Decode(large, nullptr, limits), "needs more than the 200 MiB of memory a photo may use to decode");
  limits = photo::DecodeLimits();

  // 2048 x 1024 grey rows, then 1 GiB of zeros: within the size bound, and
  // the library inflates it all after the last row unless stopped.
  gen::PngOptions extra;
  extra.colourType = 0;
  extra.extraZeros = 1ull << 30;
  const std::vector<unsigned char> png = gen::MakePng(2048, 1024, std::vector<unsigned char>(2048 * 1024, 0), extra);
  limits.time = std::chrono::milliseconds(100);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Decode(png, nullptr, limits), "takes longer than the 0.1 s a photo may take to decode");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // A stop once the 1024 rows are read (one look at the clock a row) is
  // heard in the inflation that follows.
  limits.time = std::chrono::minutes(1);
  std::atomic<bool> stop{false};
  int looks = 0;
  limits.now = [&] {
    start = std::chrono::steady_clock::now();
    if (++looks == 1100) stop = true;
    return std::chrono::steady_clock::time_point();  // no time passes
  };
  EXPECT_EQ(Decode(png, nullptr, limits, &stop), "stopped");
  EXPECT_EQ(looks, 1100) << "heard at the next look";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Packed tiles sit where the embedded atlas has its tiles: the alpha of an
// atlas of masked tiles is the embedded atlas's mask.
TEST(PhotoTiles, AtlasHasTheEmbeddedLayout) {
  std::vector<photo::Tile> tiles;
  for (int t = 0; t < 5; ++t) {
    photo::Tile tile(78 * 78 * 4);
    for (int i = 0; i < 78 * 78; ++i) {
      tile[i * 4] = static_cast<unsigned char>(40 * t);
      tile[i * 4 + 3] = photo::TileOpacity(i % 78, i / 78);
    }
    tiles.push_back(tile);
  }
  const std::vector<unsigned char> atlas = photo::PackAtlas(tiles);
  ASSERT_EQ(atlas.size(), 1024u * 512u * 4u);
  for (int t : {0, 4, 5, 12, 13, 77}) {  // tiles repeat in order
    EXPECT_EQ(atlas[((t / 13 * 78 + 39) * 1024 + t % 13 * 78 + 39) * 4], 40 * (t % 5)) << t;
  }
  ImageTexture embedded;
  ASSERT_TRUE(DecodeWithMask(embedded, "JPEG_ZIRBEL_RGB", "JPEG_ZIRBEL_MSK", &FindEmbeddedResource));
  ASSERT_EQ(embedded.width * embedded.height, 1024 * 512);
  int worst = 0;
  for (std::size_t i = 3; i < atlas.size(); i += 4) worst = std::max(worst, std::abs(atlas[i] - embedded.pixels[i]));
  EXPECT_LE(worst, 24) << "the masks differ";
  FreeImagePixels(embedded);
  EXPECT_TRUE(photo::PackAtlas({}).empty());
}

// What is left in a file, from its start; the file is closed.
std::string TextOf(std::FILE* file) {
  std::rewind(file);
  char text[4096] = {0};
  const std::string read(text, std::fread(text, 1, sizeof text - 1, file));
  std::fclose(file);
  return read;
}

// Cases on photo files in a folder of their own.
class PhotoFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-photos-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override { fs::remove_all(root); }
  void Put(const std::string& name, const std::vector<unsigned char>& bytes) {
    fs::create_directories(fs::path(root + "/" + name).parent_path());
    ASSERT_TRUE(gen::WriteFile(root + "/" + name, bytes));
  }
  std::vector<std::string> Names(const photo::PhotoList& list) {
    std::vector<std::string> names;
    for (const fs::path p : list.photos) names.push_back(fs::relative(p, root).string());
    return names;
  }
  // The quadrant photo as an encoder's source: a JPEG with Exif orientation
  // `o`, or for 0 a PNG; the path of its file.
  std::string Source(const std::string& name, int o, int channels = 3, int bits = 8, int colour = -1) {
    gen::PngOptions png;
    png.colourType = channels == 4 ? 6 : 2;
    png.bitDepth = bits;
    Put(name, o > 0 ? QuadrantJpeg(o, true, true) : gen::MakePng(240, 160, Pixels(0, channels, bits / 8, colour), png));
    return root + "/" + name;
  }
  // The file `command` makes, named `out` (with -o).
  std::vector<unsigned char> Run(const std::string& command, const std::string& out) {
    const std::string line = command + " -o " + root + "/" + out + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
    std::ifstream file(root + "/" + out, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
  }
  // A worker's first atlas of `folder` (within 20 s), taken once, and its messages.
  struct Shown {
    bool shown = false;
    std::vector<unsigned char> atlas;
    std::string messages;
  };
  static Shown FirstAtlas(const std::string& folder, photo::AtlasSourceOptions options) {
    Shown s;
    options.messages = std::tmpfile();
    photo::PhotoAtlasSource source(folder, options);
    source.Start();
    s.shown = source.WaitForAtlas(std::chrono::seconds(20)) && source.TakeAtlas(&s.atlas);
    std::vector<unsigned char> again;
    EXPECT_FALSE(source.TakeAtlas(&again)) << "taken once";
    source.Stop();
    s.messages = TextOf(options.messages);
    return s;
  }
  std::string root;
};

// Phone photos made from the JPEG or PNG photo above, the file's name saying
// nothing of its kind. An animation shows its first frame; a primary image
// beyond the bound decodes from its thumbnail, and without one is refused; a
// file cut off or damaged past its start is refused with the format's reason.
TEST_F(PhotoFiles, PhonePhotosShowUprightAndBrokenOnesAreRefused) {
  struct Case {
    const char* name;
    const char* command;  // the encoder, given the source photo and -o
    int orientation;      // of the source JPEG (0: a PNG)
    int channels, bits;   // 4 channels: the right half transparent
    photo::PhotoKind kind;
  } cases[] = {
      {"HEIC, Exif 1", "heif-enc -q 90", 1, 3, 8, photo::PhotoKind::Heif},
      {"HEIC turned right", "heif-enc -q 90", 6, 3, 8, photo::PhotoKind::Heif},
      {"HEIC turned left", "heif-enc -q 90", 8, 3, 8, photo::PhotoKind::Heif},
      {"HEIC mirrored", "heif-enc -q 90", 2, 3, 8, photo::PhotoKind::Heif},
      {"HEIC transposed", "heif-enc -q 90", 5, 3, 8, photo::PhotoKind::Heif},
      {"HEIC with a thumbnail", "heif-enc -q 90 -t 239", 3, 3, 8, photo::PhotoKind::Heif},
      {"HEIC, 10-bit", "heif-enc -q 90 -b 10", 0, 3, 16, photo::PhotoKind::Heif},
      {"HEIC with alpha", "heif-enc -q 90", 0, 4, 8, photo::PhotoKind::Heif},
      {"AVIF turned half round", "heif-enc -A -q 90", 3, 3, 8, photo::PhotoKind::Heif},
      {"AVIF with alpha", "heif-enc -A -q 90", 0, 4, 8, photo::PhotoKind::Heif},
      {"WebP, Exif turned right", "cwebp -q 90 -metadata exif", 6, 3, 8, photo::PhotoKind::Webp},
      {"WebP lossless with alpha", "cwebp -lossless", 0, 4, 8, photo::PhotoKind::Webp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = Source(c.orientation > 0 ? "source.jpg" : "source.png", c.orientation, c.channels, c.bits);
    const std::vector<unsigned char> file = Run(std::string(c.command) + " " + source, "made.bin");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(photo::DetectKind(file.data(), file.size()), c.kind);
    photo::Tile tile;
    ASSERT_EQ(Decode(file, &tile), "");
    ExpectQuadrants(tile, 24, c.channels == 4);
  }

  const std::string first = Source("first.png", 0, 3, 8, 1), second = Source("second.png", 0, 3, 8, 2);
  const std::vector<unsigned char> animation = Run("img2webp -lossy " + first + " " + second, "a.webp");
  photo::Tile tile;
  ASSERT_EQ(Decode(animation, &tile), "");
  ExpectNear(At(tile, 78, 39, 39), kQuadrant[1], 24, "the first frame");
  photo::DecodeLimits small;
  small.wholePixels = 100 * 100;
  const std::string source = Source("big.jpg", 1);
  EXPECT_EQ(Decode(Run("heif-enc -t 239 " + source, "t.heic"), nullptr, small), "");
  const std::vector<unsigned char> heic = Run("heif-enc " + source, "n.heic");
  EXPECT_EQ(Decode(heic, nullptr, small), "too large (240 x 160)");
  const std::vector<unsigned char> webp = Run("cwebp " + source, "s.webp");
  for (const std::vector<unsigned char>* whole : {&heic, &webp, &animation}) {
    EXPECT_NE(Decode({whole->begin(), whole->begin() + static_cast<long>(whole->size() * 2 / 3)}), "");
    std::vector<unsigned char> damaged = *whole;
    for (std::size_t i = 40; i < damaged.size(); i += 3) damaged[i] ^= 0x5A;
    EXPECT_NE(Decode(damaged), "");
  }
  EXPECT_EQ(photo::DetectKind(heic.data(), 12), photo::PhotoKind::Unknown) << "too short to tell";
}

TEST_F(PhotoFiles, WalksSubfoldersOnceAndKeepsToItsLimits) {
  const std::vector<unsigned char> jpeg = QuadrantJpeg(1);
  for (const char* name : {"a.jpg", "B.JPEG", "c.png", "d.txt", "sub/e.jpe", "sub/deep/f.jpg"}) Put(name, jpeg);
  fs::create_directory_symlink("..", root + "/sub/back");  // a loop
  fs::create_symlink("self.jpg", root + "/self.jpg");      // a link to itself
  fs::create_symlink("gone.jpg", root + "/dangling.jpg");
  ASSERT_EQ(mkfifo((root + "/pipe.jpg").c_str(), 0600), 0);  // never opened
  const std::vector<std::string> all = {"B.JPEG", "a.jpg", "c.png", "sub/deep/f.jpg", "sub/e.jpe"};

  const std::pair<photo::WalkLimits, std::vector<std::string>> cases[] = {
      {{}, all},
      {{100, 2, 24}, {"B.JPEG", "a.jpg"}},
      {{100, 100, 0}, {"B.JPEG", "a.jpg", "c.png"}},
      {{3, 100, 24}, {}},  // stops after three entries, whichever they are
      {{100, 100, 24, 2 * (root.size() + 8)}, {"B.JPEG", "a.jpg"}},  // the paths' bytes
  };
  for (const auto& [limits, photos] : cases) {
    const photo::PhotoList list = photo::ListPhotos(root, limits);
    EXPECT_TRUE(list.folderUsable);
    if (limits.maxEntries == 3) {
      EXPECT_LE(list.photos.size(), 3u);
      EXPECT_NE(testing::PrintToString(list.problems).find("stopped after 3 entries"), std::string::npos);
    } else {
      EXPECT_EQ(Names(list), photos);
    }
  }
  const photo::PhotoList byFile = photo::ListPhotos(root + "/a.jpg", {});
  EXPECT_EQ(Names(byFile), all) << "a photo names its folder";
  EXPECT_EQ(byFile.problems[0], root + "/a.jpg is a file: showing the photos of its folder " + root);
  EXPECT_NE(testing::PrintToString(byFile.problems).find("pipe.jpg: skipped, not a regular file (a pipe)"),
            std::string::npos);
  EXPECT_EQ(photo::ListPhotos(root + "/pipe.jpg", {}).problems, std::vector<std::string>{root + "/pipe.jpg: not a folder (a pipe)"});
  const photo::PhotoList missing = photo::ListPhotos(root + "/none", {});
  EXPECT_FALSE(missing.folderUsable);
  EXPECT_TRUE(missing.photos.empty() && !missing.problems.empty());
}

// The worker: broken files are skipped with a message for the first few,
// hostile ones quickly with their reasons, one that memory runs out for
// alone; more photos than tiles give a new atlas; no photo, no atlas.
TEST_F(PhotoFiles, WorkerMakesAtlasesAndSkipsBrokenFiles) {
  const std::vector<unsigned char> jpeg = QuadrantJpeg(6, false);
  Put("0-big.jpg", {1});  // memory runs out for it
  Put("1.jpg", jpeg);
  Put("2.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + 200));
  Put("3.png", BombPng());
  Put("4.jpg", gen::RepeatLastScan(MakeJpeg(64, 64, 1, true), 500));
  Put("5.jpg", {});
  Put("6.png", {0x89, 'P', 'N', 'G'});
  photo::AtlasSourceOptions options;
  options.reportedProblems = 4;
  options.reader = [](const fs::path& path, const photo::ReadBounds& bounds, std::vector<unsigned char>* bytes,
                      std::string* error) {
    if (path.filename() == "0-big.jpg") throw std::bad_alloc();
    return photo::ReadPhotoFile(path, bounds, bytes, error);
  };
  const Shown s = FirstAtlas(root, options);
  ASSERT_TRUE(s.shown);
  ExpectNear(At(s.atlas, 1024, 20, 20), kQuadrant[0], 12, "tile 0, upright");
  for (const char* said : {"0-big.jpg: skipped, not enough memory for it", "2.jpg: skipped, ",
                           "3.png: skipped, holds far more compressed data than its picture needs",
                           "4.jpg: skipped, has more than 100 scans"}) {
    EXPECT_NE(s.messages.find(said), std::string::npos) << said << " not in: " << s.messages;
  }
  EXPECT_EQ(s.messages.find("5.jpg"), std::string::npos) << "only the first four are reported";

  std::vector<unsigned char> atlas;
  options = photo::AtlasSourceOptions();
  options.messages = nullptr;
  for (int i = 0; i < 80; ++i) Put("many/" + std::to_string(i) + ".jpg", jpeg);
  options.refresh = std::chrono::milliseconds(1);
  photo::PhotoAtlasSource many(root + "/many", options);
  many.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (many.AtlasCount() < 2 && std::chrono::steady_clock::now() < deadline) {
    if (many.WaitForAtlas(std::chrono::milliseconds(50))) many.TakeAtlas(&atlas);
  }
  EXPECT_GE(many.AtlasCount(), 2);

  photo::PhotoAtlasSource none(root + "/none", options);
  none.Start();
  EXPECT_FALSE(none.WaitForAtlas(std::chrono::seconds(20)));
  EXPECT_TRUE(none.Ended());
}

// A name that would steer the terminal is shown escaped, and a folder that
// cannot be read is named like a file that cannot (checked as a user that
// permissions bind: a child process that gives up root).
TEST_F(PhotoFiles, MessagesNameWhatWasSkippedAndWhy) {
  Put("a\x1b[31m\xff.jpg", {1, 2, 3});
  Put("locked/b.jpg", QuadrantJpeg(1));
  Put("open/c.jpg", QuadrantJpeg(1));
  chmod(root.c_str(), 0755);
  chmod((root + "/locked").c_str(), 0);
  std::FILE* said = std::tmpfile();  // shared with the child
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const Shown s = FirstAtlas(root, photo::AtlasSourceOptions());
    const bool written = std::fputs(s.messages.c_str(), said) >= 0 && std::fflush(said) == 0;
    _exit(s.shown && written ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "no atlas from the readable photo";
  const std::string text = TextOf(said);
  EXPECT_NE(text.find(root + "/a\\x1b[31m\\xff.jpg: skipped, "), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_NE(text.find(root + "/locked: cannot be read (Permission denied)"), std::string::npos) << text;
  chmod((root + "/locked").c_str(), 0755);
}

// A read the system holds up (a share that stopped answering) does not hold
// up Stop(), and the worker, once the read returns, touches nothing of the
// source that was destroyed meanwhile.
TEST_F(PhotoFiles, StopLeavesAWorkerHeldUpInARead) {
  Put("1.jpg", QuadrantJpeg(1));
  auto entered = std::make_shared<std::promise<void>>();
  const std::weak_ptr<std::promise<void>> watch = entered;
  std::promise<void> release;
  photo::AtlasSourceOptions options;
  options.messages = nullptr;
  options.reader = [entered, released = release.get_future().share()](
                       const fs::path&, const photo::ReadBounds&, std::vector<unsigned char>*, std::string* error) {
    entered->set_value();
    released.wait();
    *error = "released";
    return false;
  };
  auto source = std::make_unique<photo::PhotoAtlasSource>(root, options);
  options.reader = nullptr;
  source->Start();
  ASSERT_EQ(entered->get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto stopped = std::async(std::launch::async, [&] { source.reset(); });
  const bool prompt = stopped.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  release.set_value();
  stopped.wait();
  EXPECT_TRUE(prompt) << "the source waited for the held-up read";
  entered.reset();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!watch.expired() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(watch.expired()) << "the worker did not end once its read returned";
}

// The peak memory, in KiB, since the last ResetPeakMemory(); -1 where the
// system cannot tell.
long PeakMemoryKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
bool ResetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

// The walk keeps what it needs for the photos it will show, whatever the
// names' length: 99,000 photos with paths of about 3 KB add well under
// 64 MiB to the peak (keeping every path found costs some 400 MiB).
TEST_F(PhotoFiles, WalkMemoryDoesNotGrowWithTheNames) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer keeps freed memory back, so the peak says nothing";
#endif
  std::string deep = root;
  for (int i = 0; i < 14; ++i) deep += "/" + std::string(200, 'd');
  fs::create_directories(deep);
  const int folder = open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (int i = 0; i < 99000; ++i) {
    const std::string name = std::to_string(100000 + i) + std::string(230, 'p') + ".jpg";
    const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0) << name;
    close(file);
  }
  close(folder);
  if (!ResetPeakMemory() || PeakMemoryKiB() < 0) GTEST_SKIP() << "no peak memory to read";
  const long before = PeakMemoryKiB();
  const photo::PhotoList list = photo::ListPhotos(root, photo::WalkLimits());
  const long grown = PeakMemoryKiB() - before;
  EXPECT_FALSE(list.photos.empty());
  EXPECT_LT(grown, 64 * 1024) << "KiB more at the peak for " << list.photos.size() << " photos kept";
}

}  // namespace
