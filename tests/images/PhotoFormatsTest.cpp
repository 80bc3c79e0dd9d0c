// HEIC, AVIF and WebP photos made by Debian's encoders from JPEG and PNG
// photos of four loud quadrants: upright (a HEIF's own rotation and
// mirroring, never its Exif orientation once more; a WebP's Exif
// orientation), 10-bit brought to 8, transparency kept, an animation's first
// frame, the thumbnail where it is enough; broken and cut-off files refused
// with a reason; the kind told by the content, not the name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "images/PhotoDecode.h"
#include "images/PhotoTiles.h"
#include "tools/genimages/JpegWriter.h"

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;
const Rgb kQuadrant[4] = {{230, 20, 20}, {20, 200, 20}, {20, 20, 230}, {230, 230, 20}};  // TL TR BL BR
const int kSide = 160;

// Where upright pixel (x, y) of the square lies as stored for Exif orientation o.
void StoredAt(int o, int x, int y, int* sx, int* sy) {
  const int n = kSide - 1;
  const int places[9][2] = {{x, y}, {x, y}, {n - x, y}, {n - x, n - y}, {x, n - y}, {y, x}, {y, n - x}, {n - y, n - x}, {n - y, x}};
  *sx = places[o][0], *sy = places[o][1];
}

// The quadrants as stored for orientation `o`: 3 or 4 bytes a pixel (alpha:
// the right half transparent), 8 or 16 bits a sample.
std::vector<unsigned char> Quadrants(int o, int channels, int bytes, int colour = -1) {
  std::vector<unsigned char> out(static_cast<std::size_t>(kSide * kSide * channels * bytes));
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      int sx = 0, sy = 0;
      StoredAt(o, x, y, &sx, &sy);
      const Rgb& c = kQuadrant[colour >= 0 ? colour : (y >= kSide / 2) * 2 + (x >= kSide / 2)];
      for (int k = 0; k < channels; ++k) {
        const int v = k < 3 ? c[k] : (x < kSide / 2 ? 255 : 0);
        for (int b = 0; b < bytes; ++b) out[((sy * kSide + sx) * channels + k) * bytes + b] = static_cast<unsigned char>(v);
      }
    }
  }
  return out;
}

class PhotoFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zirbel-formats-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }

  // A source photo: a JPEG with Exif orientation `o`, or a PNG.
  std::string Source(const std::string& name, int o, int channels = 3, int bits = 8, int colour = -1) {
    const std::vector<unsigned char> pixels = Quadrants(o, channels, bits / 8, colour);
    std::vector<unsigned char> bytes;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg") {
      gen::JpegOptions options;
      options.quality = 95;
      // Exif whose first directory ends the block, as the encoder needs to
      // read the orientation (and write it as the file's own rotation).
      options.segments.push_back({0xE1, {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0,
                                      0, 1, 0, static_cast<unsigned char>(o), 0, 0}});
      bytes = gen::CompressJpeg(pixels.data(), kSide, kSide, 3, options);
    } else {
      gen::PngOptions options;
      options.colourType = channels == 4 ? 6 : 2;
      options.bitDepth = bits;
      bytes = gen::MakePng(kSide, kSide, pixels, options);
    }
    EXPECT_TRUE(gen::WriteFile(dir + "/" + name, bytes));
    return dir + "/" + name;
  }
  std::vector<unsigned char> Run(const std::string& command, const std::string& out) {
    EXPECT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    std::ifstream file(dir + "/" + out, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
  }
  std::string dir;
};

Rgb At(const photo::Tile& tile, int x, int y) {
  const unsigned char* p = &tile[static_cast<std::size_t>(y * 78 + x) * 4];
  return {p[0], p[1], p[2]};
}

TEST_F(PhotoFormats, PhonePhotosShowUprightWithTheirOwnColoursAndTransparency) {
  struct Case {
    const char* name;
    std::string command;  // {src} is the source photo, {out} the file it makes
    int orientation;      // of the source JPEG (0: a PNG)
    int channels, bits;
    photo::PhotoKind kind;
    bool alpha;
  } cases[] = {
      {"the JPEG itself", "cp {src} {out}", 6, 3, 8, photo::PhotoKind::Jpeg, false},
      {"HEIC, Exif 1", "heif-enc -q 90 {src} -o {out}", 1, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC turned right", "heif-enc -q 90 {src} -o {out}", 6, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC turned left", "heif-enc -q 90 {src} -o {out}", 8, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC mirrored", "heif-enc -q 90 {src} -o {out}", 2, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC transposed", "heif-enc -q 90 {src} -o {out}", 5, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC with a thumbnail", "heif-enc -q 90 -t 158 {src} -o {out}", 3, 3, 8, photo::PhotoKind::Heif, false},
      {"HEIC, 10-bit", "heif-enc -q 90 -b 10 {src} -o {out}", 0, 3, 16, photo::PhotoKind::Heif, false},
      {"HEIC with alpha", "heif-enc -q 90 {src} -o {out}", 0, 4, 8, photo::PhotoKind::Heif, true},
      {"AVIF turned half round", "heif-enc -A -q 90 {src} -o {out}", 3, 3, 8, photo::PhotoKind::Heif, false},
      {"AVIF with alpha", "heif-enc -A -q 90 {src} -o {out}", 0, 4, 8, photo::PhotoKind::Heif, true},
      {"WebP, Exif turned right", "cwebp -q 90 -metadata exif {src} -o {out}", 6, 3, 8, photo::PhotoKind::Webp, false},
      {"WebP lossless with alpha", "cwebp -lossless {src} -o {out}", 0, 4, 8, photo::PhotoKind::Webp, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = Source(c.orientation > 0 ? "source.jpg" : "source.png", c.orientation, c.channels, c.bits);
    std::string command = c.command;
    command.replace(command.find("{src}"), 5, source);
    command.replace(command.find("{out}"), 5, dir + "/made.bin");  // the name says nothing of the kind
    const std::vector<unsigned char> file = Run(command, "made.bin");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(photo::DetectKind(file.data(), file.size()), c.kind);
    photo::Tile tile;
    std::string error;
    ASSERT_TRUE(photo::DecodePhotoTile(file.data(), file.size(), &tile, &error)) << error;
    const int corner[4][2] = {{20, 20}, {57, 20}, {20, 57}, {57, 57}};
    for (int q = 0; q < 4; ++q) {
      const int alpha = tile[static_cast<std::size_t>(corner[q][1] * 78 + corner[q][0]) * 4 + 3];
      if (c.alpha && q % 2 == 1) {
        EXPECT_EQ(alpha, 0) << "quadrant " << q << " is transparent";
        continue;
      }
      EXPECT_EQ(alpha, 255) << "quadrant " << q;
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(At(tile, corner[q][0], corner[q][1])[k], kQuadrant[q][k], 24) << q;
    }
  }
}

TEST_F(PhotoFormats, FirstFrameThumbnailAndBrokenFiles) {
  const auto decode = [](const std::vector<unsigned char>& bytes, const photo::DecodeLimits& limits = {}) {
    photo::Tile tile;
    std::string error;
    const bool decoded = photo::DecodePhotoTile(bytes.data(), bytes.size(), &tile, &error, nullptr, limits);
    EXPECT_EQ(decoded, error.empty());
    return decoded ? At(tile, 39, 39) : Rgb{-1, -1, -1};
  };
  // An animation shows its first frame.
  const std::string first = Source("first.png", 0, 3, 8, 1), second = Source("second.png", 0, 3, 8, 2);
  const std::vector<unsigned char> animation = Run("img2webp -lossy " + first + " " + second + " -o " + dir + "/a.webp", "a.webp");
  const Rgb shown = decode(animation);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(shown[k], kQuadrant[1][k], 24);
  // A primary image beyond the bound decodes from its thumbnail; without one
  // it is refused.
  photo::DecodeLimits small;
  small.wholePixels = 100 * 100;
  const std::string source = Source("big.jpg", 1);
  EXPECT_NE(decode(Run("heif-enc -t 158 " + source + " -o " + dir + "/t.heic", "t.heic"), small)[0], -1);
  const std::vector<unsigned char> heic = Run("heif-enc " + source + " -o " + dir + "/n.heic", "n.heic");
  photo::Tile tile;
  std::string error;
  EXPECT_FALSE(photo::DecodePhotoTile(heic.data(), heic.size(), &tile, &error, nullptr, small));
  EXPECT_EQ(error, "too large (160 x 160)");
  // Cut off or damaged past the start: refused with the format's reason.
  const std::vector<unsigned char> webp = Run("cwebp " + source + " -o " + dir + "/s.webp", "s.webp");
  for (const std::vector<unsigned char>* whole : {&heic, &webp, &animation}) {
    std::vector<unsigned char> cut(whole->begin(), whole->begin() + static_cast<long>(whole->size() * 2 / 3));
    EXPECT_EQ(decode(cut)[0], -1);
    std::vector<unsigned char> damaged = *whole;
    for (std::size_t i = 40; i < damaged.size(); i += 3) damaged[i] ^= 0x5A;
    EXPECT_EQ(decode(damaged)[0], -1);
  }
  EXPECT_EQ(photo::DetectKind(heic.data(), 12), photo::PhotoKind::Unknown) << "too short to tell";
}

}  // namespace
