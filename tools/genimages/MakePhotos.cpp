// zirbel-make-photos: fills a folder with generated test photos (never
// pictures of anything real) for the photo-folder tests, the benchmarks and
// the pictures in docs/.
//
//   zirbel-make-photos DIR [--count N] [--size WxH] [--colours RRGGBB,RRGGBB]
//                          [--png-every K] [--progressive] [--broken] [--seed S]
//
// Photos go to DIR and DIR/more (every third one). Colourful painted photos
// by default; with --colours each photo is one of the colours, lightly
// textured. JPEG photos carry an Exif orientation (1 to 8 in turn), painted
// so that they look right once turned upright, progressive with
// --progressive. --broken adds what a folder
// may hold besides photos: an empty file, a cut-off JPEG, text named .jpg,
// JPEG and PNG headers claiming huge sizes, a named pipe, a link to itself
// and a link back to the folder.
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "JpegWriter.h"
#include "Paint.h"

namespace {

struct Settings {
  std::string folder;
  int count = 12;
  int width = 640;
  int height = 480;
  std::vector<gen::Rgb> colours;
  int pngEvery = 0;
  bool progressive = false;
  bool broken = false;
  std::uint32_t seed = 7;
};

bool ParseColours(const std::string& text, std::vector<gen::Rgb>* colours) {
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string hex = text.substr(at, comma - at);
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    const unsigned long v = std::strtoul(hex.c_str(), nullptr, 16);
    colours->push_back({((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f});
    at = comma + 1;
  }
  return !colours->empty();
}

bool Parse(int argc, char** argv, Settings* s) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--count" && hasValue) {
      s->count = std::atoi(argv[++i]);
    } else if (arg == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &s->width, &s->height) != 2) return false;
    } else if (arg == "--colours" && hasValue) {
      if (!ParseColours(argv[++i], &s->colours)) return false;
    } else if (arg == "--png-every" && hasValue) {
      s->pngEvery = std::atoi(argv[++i]);
    } else if (arg == "--seed" && hasValue) {
      s->seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--progressive") {
      s->progressive = true;
    } else if (arg == "--broken") {
      s->broken = true;
    } else if (s->folder.empty() && arg[0] != '-') {
      s->folder = arg;
    } else {
      return false;
    }
  }
  return !s->folder.empty() && s->count >= 0 && s->width > 0 && s->height > 0 && s->width <= 20000 &&
         s->height <= 20000;
}

unsigned char Byte(float v) { return static_cast<unsigned char>(std::lround(gen::Clamp01(v) * 255.0f)); }

// Where upright pixel (x, y) of a w x h picture lands in the picture as
// stored with Exif orientation `o` (the stored size is h x w for 5 to 8).
void StoredAt(int o, int x, int y, int w, int h, int* sx, int* sy) {
  switch (o) {
    case 2: *sx = w - 1 - x; *sy = y; break;
    case 3: *sx = w - 1 - x; *sy = h - 1 - y; break;
    case 4: *sx = x; *sy = h - 1 - y; break;
    case 5: *sx = y; *sy = x; break;
    case 6: *sx = y; *sy = w - 1 - x; break;
    case 7: *sx = h - 1 - y; *sy = w - 1 - x; break;
    case 8: *sx = h - 1 - y; *sy = x; break;
    default: *sx = x; *sy = y; break;
  }
}

// One upright photo: rings and petals in a few hues, or one colour with a
// faint grain.
std::vector<unsigned char> Paint(const Settings& s, int index) {
  gen::Rng rng(s.seed * 7919u + static_cast<std::uint32_t>(index));
  const float hue = rng.Uniform();
  const float petals = static_cast<float>(3 + rng.Pick(6));
  const float cx = rng.Uniform(0.4f, 0.6f), cy = rng.Uniform(0.4f, 0.6f);
  const bool solid = !s.colours.empty();
  const gen::Rgb colour = solid ? s.colours[static_cast<std::size_t>(index) % s.colours.size()] : gen::Rgb{};
  std::vector<unsigned char> rgb(static_cast<std::size_t>(s.width) * s.height * 3);
  const float scale = 1.0f / static_cast<float>(std::min(s.width, s.height));
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      gen::Rgb c;
      if (solid) {
        c = colour * (0.94f + 0.06f * gen::Hash01(x / 8, y / 8, s.seed));
      } else {
        const float px = (static_cast<float>(x) - cx * s.width) * scale, py = (static_cast<float>(y) - cy * s.height) * scale;
        const float r = std::sqrt(px * px + py * py), a = std::atan2(py, px);
        const float petal = 0.5f + 0.5f * std::cos(a * petals + r * 9.0f);
        c = gen::Mix(gen::Hsv(hue + r * 0.6f, 0.85f, 0.95f), gen::Hsv(hue + 0.45f, 0.9f, 0.35f + 0.5f * petal),
                     gen::SmoothStep(0.2f, 0.6f, r));
      }
      unsigned char* out = &rgb[(static_cast<std::size_t>(y) * s.width + x) * 3];
      out[0] = Byte(c.r), out[1] = Byte(c.g), out[2] = Byte(c.b);
    }
  }
  return rgb;
}

bool WritePng(const std::string& path, const std::vector<unsigned char>& rgb, int w, int h) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, &rgb[static_cast<std::size_t>(y) * w * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

bool WritePhoto(const Settings& s, int index) {
  const std::vector<unsigned char> upright = Paint(s, index);
  const std::string folder = index % 3 == 2 ? s.folder + "/more" : s.folder;
  char name[64];
  if (s.pngEvery > 0 && index % s.pngEvery == s.pngEvery - 1) {
    std::snprintf(name, sizeof name, "/photo-%05d.png", index);
    return WritePng(folder + name, upright, s.width, s.height);
  }
  // Stored turned as a camera would store it; the Exif tag turns it back.
  const int orientation = 1 + index % 8;
  const bool swapped = orientation >= 5;
  const int sw = swapped ? s.height : s.width, sh = swapped ? s.width : s.height;
  std::vector<unsigned char> stored(upright.size());
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      int sx = 0, sy = 0;
      StoredAt(orientation, x, y, s.width, s.height, &sx, &sy);
      std::memcpy(&stored[(static_cast<std::size_t>(sy) * sw + sx) * 3], &upright[(static_cast<std::size_t>(y) * s.width + x) * 3], 3);
    }
  }
  gen::JpegOptions options;
  options.quality = 85;
  options.progressive = s.progressive;
  options.segments.push_back(gen::OrientationSegment(orientation, index % 2 == 0));
  std::snprintf(name, sizeof name, "/photo-%05d.jpg", index);
  return gen::WriteFile(folder + name, gen::CompressJpeg(stored.data(), sw, sh, 3, options));
}

void PutBig32(std::vector<unsigned char>* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(v >> shift));
}

bool WriteBroken(const Settings& s) {
  const std::string& d = s.folder;
  std::vector<unsigned char> small(48 * 32 * 3, 200);
  const std::vector<unsigned char> jpeg = gen::CompressJpeg(small.data(), 48, 32, 3, gen::JpegOptions());
  // A header claiming 65500 x 65500: the frame header's size fields patched.
  std::vector<unsigned char> huge = jpeg;
  for (std::size_t i = 0; i + 9 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xFF;
      huge[i + 6] = huge[i + 8] = 0xDC;
      break;
    }
  }
  // A PNG header claiming 100000 x 100000, with a correct checksum.
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> ihdr = {'I', 'H', 'D', 'R'};
  PutBig32(&ihdr, 100000);
  PutBig32(&ihdr, 100000);
  for (unsigned char b : {8, 2, 0, 0, 0}) ihdr.push_back(b);
  PutBig32(&png, 13);
  png.insert(png.end(), ihdr.begin(), ihdr.end());
  PutBig32(&png, static_cast<std::uint32_t>(crc32(0, ihdr.data(), static_cast<uInt>(ihdr.size()))));
  const std::string text = "not a photo\n";
  bool ok = gen::WriteFile(d + "/empty.jpg", {}) &&
            gen::WriteFile(d + "/cut-off.jpg", std::vector<unsigned char>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)) &&
            gen::WriteFile(d + "/notes.jpg", std::vector<unsigned char>(text.begin(), text.end())) &&
            gen::WriteFile(d + "/huge-header.jpg", huge) && gen::WriteFile(d + "/huge-header.png", png);
  ok = ok && mkfifo((d + "/pipe.jpg").c_str(), 0600) == 0;
  ok = ok && symlink("self.jpg", (d + "/self.jpg").c_str()) == 0;
  ok = ok && symlink("..", (d + "/more/back-up").c_str()) == 0;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (!Parse(argc, argv, &s)) {
    std::fprintf(stderr,
                 "usage: zirbel-make-photos DIR [--count N] [--size WxH] [--colours RRGGBB,RRGGBB] "
                 "[--png-every K] [--progressive] [--broken] [--seed S]\n");
    return 2;
  }
  mkdir(s.folder.c_str(), 0755);
  mkdir((s.folder + "/more").c_str(), 0755);
  for (int i = 0; i < s.count; ++i) {
    if (!WritePhoto(s, i)) {
      std::fprintf(stderr, "zirbel-make-photos: cannot write photo %d into %s\n", i, s.folder.c_str());
      return 1;
    }
  }
  if (s.broken && !WriteBroken(s)) {
    std::fprintf(stderr, "zirbel-make-photos: cannot write the broken entries into %s\n", s.folder.c_str());
    return 1;
  }
  return 0;
}
