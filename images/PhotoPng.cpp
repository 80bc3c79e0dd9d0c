// The PNG half of the photo decoder: the chunk list checked before the
// library starts, the stop and the time heard in the read callback, the
// photo's transparency kept.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "images/PhotoDecodeParts.h"

namespace photo {
namespace decode {

namespace {


std::uint64_t Big32(const unsigned char* p) {
  return (std::uint64_t{p[0]} << 24) | (std::uint64_t{p[1]} << 16) | (std::uint64_t{p[2]} << 8) | p[3];
}

// Whether the compressed picture data (the IDAT chunks) is far more than the
// picture needs: its rows with their filter bytes, pass by pass, could not
// take more with any deflate encoder than an eighth more (codes of up to 9
// bits a byte) and a little for the stream's and blocks' headers. More data
// can only inflate to more than the picture (a small file inflating to
// gigabytes), and the library would inflate it all after the last row.
bool PngHasFarTooMuchData(const unsigned char* data, std::size_t size) {
  std::uint64_t width = 0, height = 0, bitsPerPixel = 64, picture = 0;
  bool interlaced = false;
  for (std::size_t at = 8; at + 8 <= size;) {
    const std::uint64_t length = Big32(data + at);
    const unsigned char* type = data + at + 4;
    if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13 && size - at >= 8 + 13) {
      width = Big32(data + at + 8);
      height = Big32(data + at + 12);
      const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
      const unsigned colourType = data[at + 17];
      bitsPerPixel = std::uint64_t{data[at + 16]} * (colourType < 7 && channels[colourType] > 0 ? channels[colourType] : 4);
      interlaced = data[at + 20] != 0;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      picture += length;
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      break;
    }
    at += 12 + std::min<std::uint64_t>(length, size);  // past the chunk and its CRC
  }
  // Adam7's passes: first column and row, and steps.
  const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::uint64_t need = 0;
  for (int p = 0; p < (interlaced ? 7 : 1); ++p) {
    const int* pass = interlaced ? passes[p] : passes[6];
    const std::uint64_t w = interlaced ? (width + pass[2] - 1 - pass[0]) / pass[2] : width;
    const std::uint64_t h = interlaced ? (height + pass[3] - 1 - pass[1]) / pass[3] : height;
    if (w > 0 && h > 0) need += ((w * bitsPerPixel + 7) / 8 + 1) * h;
  }
  return width > 0 && picture > need + need / 8 + 4096;  // without a header the library says what is wrong
}

// Whether a chunk before the picture data claims more bytes than the file
// has left: the library would take the memory for it (a text, say) before it
// finds the file cut short. The picture data itself is read in pieces.
bool PngChunkCutShort(const unsigned char* data, std::size_t size) {
  for (std::size_t at = 8; at + 8 <= size;) {
    const std::uint64_t length = Big32(data + at);
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) break;
    if (length + 12 > size - at) return true;
    at += 12 + length;
  }
  return false;
}

struct PngInput {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
  const Watch* watch;
  char message[160];
};

[[noreturn]] void PngEnd(png_structp png) { png_longjmp(png, 1); }

// The library's errors: memory, or a damaged or unsupported file.
[[noreturn]] void PngFail(png_structp png, const char* message) {
  auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
  if (std::strstr(message, "memory") != nullptr) {
    std::snprintf(input->message, sizeof input->message, "%s", kNoMemory);
  } else {
    std::snprintf(input->message, sizeof input->message, "damaged or unsupported PNG (%s)", message);
  }
  PngEnd(png);
}

void PngQuiet(png_structp, const char*) {}

// Called for every chunk header, chunk and CRC, and for every 8 KiB of
// compressed picture data (which inflate to at most 8 MiB).
void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
  if (input->watch->Over(input->message, sizeof input->message)) PngEnd(png);
  if (length > input->size - input->position) {
    std::snprintf(input->message, sizeof input->message, "cut short");
    PngEnd(png);
  }
  std::memcpy(out, input->data + input->position, length);
  input->position += length;
}

int PngOrientation(png_structp png, png_infop info) {
#ifdef PNG_eXIf_SUPPORTED
  png_uint_32 length = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(png, info, &length, &exif) != 0 && exif != nullptr) return ExifOrientation(exif, length);
#else
  (void)png;
  (void)info;
#endif
  return 1;
}

// Below the recovery point: `rows` and `storage` live in the caller.
bool ReadPng(png_structp png, png_infop info, PngInput* input, std::vector<unsigned char>* rows,
             std::vector<TileCutter>* storage, Tile* tile, std::string* error) {
  png_set_read_fn(png, input, PngRead);
  png_set_user_limits(png, 1u << 20, 1u << 20);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  if (static_cast<std::uint64_t>(width) * height > kMaxDecodedPixels / (interlaced ? 2 : 1)) {
    *error = "too large (" + SizeText(width, height) + ")";
    return false;
  }
  // RGBA, 8 bits a sample, whatever the file holds: palettes, grey, and a
  // transparent colour (tRNS) become RGBA; without transparency it is opaque.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 4) {
    *error = "unexpected PNG layout";
    return false;
  }
  storage->emplace_back(static_cast<int>(width), static_cast<int>(height), 4);
  TileCutter& cutter = storage->back();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  // Interlaced rows are only whole after the last pass: keep the image.
  rows->assign(rowBytes * (interlaced ? height : 1), 0);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      if (input->watch->Over(input->message, sizeof input->message)) PngEnd(png);
      unsigned char* row = rows->data() + (interlaced ? rowBytes * y : 0);
      png_read_row(png, row, nullptr);
      if (!interlaced) cutter.AddRow(static_cast<int>(y), row);
    }
  }
  if (interlaced) {
    for (png_uint_32 y = 0; y < height; ++y) cutter.AddRow(static_cast<int>(y), rows->data() + rowBytes * y);
  }
  *tile = cutter.Finish(PngOrientation(png, info));
  return true;
}

}  // namespace

bool DecodePng(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch) {
  // The size in the header comes first, before the library reads on.
  if (size >= 24 && Big32(data + 16) * Big32(data + 20) > kMaxDecodedPixels) {
    *error = "too large (" + SizeText(Big32(data + 16), Big32(data + 20)) + ")";
    return false;
  }
  if (PngChunkCutShort(data, size)) {
    *error = "cut short";
    return false;
  }
  if (PngHasFarTooMuchData(data, size)) {
    *error = "holds far more compressed data than its picture needs";
    return false;
  }
  PngInput input{data, size, 0, &watch, {0}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, PngFail, PngQuiet);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = kNoMemory;
    return false;
  }
  std::vector<unsigned char> rows;
  std::vector<TileCutter> storage;
  storage.reserve(1);
  volatile bool decoded = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    decoded = ReadPng(png, info, &input, &rows, &storage, tile, error);
  } else {
    *error = input.message;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return decoded;
}

}  // namespace decode
}  // namespace photo
