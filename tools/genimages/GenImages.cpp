// Writes the four embedded images into a folder:
//   zirbel-genimages <folder> [bold font file]
// The output is deterministic; the results are committed under resources/.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "AtlasTiles.h"
#include "JpegWriter.h"
#include "Metadata.h"
#include "Paint.h"

namespace {

using gen::AppSegment;
using gen::ImageNotes;

constexpr int kCloudsWidth = 1024;
constexpr int kCloudsHeight = 256;
constexpr int kLogoWidth = 256;
constexpr int kLogoHeight = 64;
constexpr int kQuality = 92;

std::vector<unsigned char> PaintClouds() {
  std::vector<unsigned char> grey(static_cast<std::size_t>(kCloudsWidth) * kCloudsHeight);
  const float scale = 128.0f;  // pixels per noise unit; the image repeats across
  const std::int32_t period = static_cast<std::int32_t>(kCloudsWidth / scale);
  for (int y = 0; y < kCloudsHeight; ++y) {
    for (int x = 0; x < kCloudsWidth; ++x) {
      const float fx = static_cast<float>(x) / scale, fy = static_cast<float>(y) / scale;
      const float n = gen::PeriodicFbm(fx, fy, 4242u, 6, period);
      const float density = gen::SmoothStep(-0.2f, 0.5f, n);
      grey[static_cast<std::size_t>(y) * kCloudsWidth + x] =
          static_cast<unsigned char>(std::lround(255.0f * std::pow(density, 1.3f)));
    }
  }
  return grey;
}

bool PaintLogo(const std::string& fontPath, std::vector<unsigned char>& grey) {
  grey.assign(static_cast<std::size_t>(kLogoWidth) * kLogoHeight, 0);
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
    std::fprintf(stderr, "zirbel-genimages: cannot open the font %s\n", fontPath.c_str());
    if (library != nullptr) {
      FT_Done_FreeType(library);
    }
    return false;
  }
  const std::string text = "Zirbel";
  struct Glyph {
    std::vector<unsigned char> bitmap;
    int left, top, width, rows, pitch;
  };
  std::vector<Glyph> glyphs;
  int size = 56;
  for (;; size -= 2) {  // the largest size that leaves a margin
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    glyphs.clear();
    int pen = 0;
    FT_UInt previous = 0;
    for (char c : text) {
      const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(static_cast<unsigned char>(c)));
      if (previous != 0 && FT_HAS_KERNING(face)) {
        FT_Vector kern;
        FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
        pen += static_cast<int>(kern.x >> 6);
      }
      FT_Load_Glyph(face, index, FT_LOAD_RENDER);
      const FT_GlyphSlot slot = face->glyph;
      Glyph g{{}, pen + slot->bitmap_left, slot->bitmap_top, static_cast<int>(slot->bitmap.width),
              static_cast<int>(slot->bitmap.rows), slot->bitmap.pitch};
      g.bitmap.assign(slot->bitmap.buffer, slot->bitmap.buffer + g.rows * std::abs(g.pitch));
      glyphs.push_back(g);
      pen += static_cast<int>(slot->advance.x >> 6);
      previous = index;
    }
    int minX = 1 << 20, maxX = -(1 << 20), minY = 1 << 20, maxY = -(1 << 20);
    for (const Glyph& g : glyphs) {
      minX = std::min(minX, g.left);
      maxX = std::max(maxX, g.left + g.width);
      minY = std::min(minY, -g.top);
      maxY = std::max(maxY, -g.top + g.rows);
    }
    if (maxX - minX <= kLogoWidth - 16 && maxY - minY <= kLogoHeight - 8) {
      const int offsetX = (kLogoWidth - (maxX - minX)) / 2 - minX;
      const int offsetY = (kLogoHeight - (maxY - minY)) / 2 - minY;
      for (const Glyph& g : glyphs) {
        for (int row = 0; row < g.rows; ++row) {
          for (int col = 0; col < g.width; ++col) {
            const int x = offsetX + g.left + col, y = offsetY - g.top + row;
            unsigned char& out = grey[static_cast<std::size_t>(y) * kLogoWidth + x];
            out = std::max(out, g.bitmap[static_cast<std::size_t>(row) * std::abs(g.pitch) + col]);
          }
        }
      }
      break;
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
}

// A box-filtered reduction for the Exif thumbnail.
std::vector<unsigned char> Reduce(const std::vector<unsigned char>& grey, int width, int height, int factor) {
  const int w = width / factor, h = height / factor;
  std::vector<unsigned char> small(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int sum = 0;
      for (int j = 0; j < factor; ++j) {
        for (int i = 0; i < factor; ++i) {
          sum += grey[static_cast<std::size_t>(y * factor + j) * width + x * factor + i];
        }
      }
      small[static_cast<std::size_t>(y) * w + x] = static_cast<unsigned char>(sum / (factor * factor));
    }
  }
  return small;
}

// A grey stream carrying the Exif, Photoshop, XMP and Adobe segments.
std::vector<unsigned char> GreyWithSegments(const std::vector<unsigned char>& grey, int width, int height,
                                            unsigned restartInterval, const ImageNotes& notes) {
  const int factor = 4;
  const std::vector<unsigned char> small = Reduce(grey, width, height, factor);
  gen::JpegOptions thumbOptions;
  thumbOptions.quality = 80;
  const std::vector<unsigned char> thumbnail =
      gen::CompressJpeg(small.data(), width / factor, height / factor, 1, thumbOptions);

  gen::JpegOptions options;
  options.quality = kQuality;
  options.restartInterval = restartInterval;
  options.adobeSegment = true;
  options.segments = {gen::ExifSegment(notes, thumbnail), gen::PhotoshopSegment(notes), gen::XmpSegment(notes)};
  return gen::CompressJpeg(grey.data(), width, height, 1, options);
}

bool Save(const std::string& folder, const char* file, const std::vector<unsigned char>& bytes) {
  const std::string path = folder + "/" + file;
  if (!gen::WriteFile(path, bytes)) {
    return false;
  }
  std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: zirbel-genimages <output folder> [bold font file]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string font = argc > 2 ? argv[2] : "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

  gen::JpegOptions atlasOptions;
  atlasOptions.quality = kQuality;
  const std::vector<unsigned char> atlas = gen::PaintAtlas();
  const std::vector<unsigned char> mask = gen::PaintAtlasMask();
  gen::JpegOptions maskOptions;
  maskOptions.quality = kQuality;

  const std::vector<unsigned char> clouds = PaintClouds();
  const ImageNotes cloudNotes{"Zirbel clouds", "Soft fractal clouds, grey, repeating from left to right.",
                              {"clouds", "fractal", "noise", "sky", "grey", "texture", "Zirbel", "kaleidoscope"}};
  std::vector<unsigned char> logo;
  if (!PaintLogo(font, logo)) {
    return 1;
  }
  const ImageNotes logoNotes{"Zirbel logo", "The word Zirbel in a bold sans-serif type; grey is opacity.",
                             {"logo", "Zirbel", "wordmark", "type", "grey", "opacity", "overlay", "kaleidoscope"}};

  const bool ok =
      Save(folder, "zirbel_rgb.jpg", gen::CompressJpeg(atlas.data(), gen::kAtlasWidth, gen::kAtlasHeight, 3, atlasOptions)) &&
      Save(folder, "zirbel_msk.jpg", gen::CompressJpeg(mask.data(), gen::kAtlasWidth, gen::kAtlasHeight, 1, maskOptions)) &&
      Save(folder, "clouds_mask.jpg", GreyWithSegments(clouds, kCloudsWidth, kCloudsHeight, 128, cloudNotes)) &&
      Save(folder, "logo_mask.jpg", GreyWithSegments(logo, kLogoWidth, kLogoHeight, 32, logoNotes));
  return ok ? 0 : 1;
}
