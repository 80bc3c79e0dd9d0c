#include "images/PhotoDecode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "images/ResourceSource.h"

namespace photo {

namespace {

constexpr int kMinSamplesPerTilePixel = 2;
// What the JPEG library may allocate for one photo (progressive photos keep
// all their coefficients): beyond it the decode fails instead of growing.
constexpr long kJpegMemoryLimit = 256L * 1024 * 1024;

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(std::memory_order_relaxed); }

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// ---- JPEG ----

// The library's error manager, keeping the message instead of printing it,
// with the stop flag checked through the progress monitor.
struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf recoveryPoint;
  char message[JMSG_LENGTH_MAX];
};

struct JpegProgress {
  jpeg_progress_mgr pub;
  const std::atomic<bool>* stop;
  JpegErrors* errors;
};

[[noreturn]] void JpegErrorExit(j_common_ptr object) {
  auto* errors = reinterpret_cast<JpegErrors*>(object->err);
  (*object->err->format_message)(object, errors->message);
  std::longjmp(errors->recoveryPoint, 1);
}

void JpegQuietMessage(j_common_ptr, int) {}  // corrupt-data warnings don't stop a photo

void JpegProgressCheck(j_common_ptr object) {
  auto* progress = reinterpret_cast<JpegProgress*>(object->progress);
  if (!Stopped(progress->stop)) return;
  std::strcpy(progress->errors->message, "stopped");
  std::longjmp(progress->errors->recoveryPoint, 1);
}

int JpegOrientation(j_decompress_ptr object) {
  for (jpeg_saved_marker_ptr marker = object->marker_list; marker != nullptr; marker = marker->next) {
    if (marker->marker == JPEG_APP0 + 1 && marker->data_length > 6 && std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
      return ExifOrientation(marker->data + 6, marker->data_length - 6);
    }
  }
  return 1;
}

// Below the recovery point: nothing in this frame needs destroying.
bool ReadJpeg(j_decompress_ptr object, ResourceBytes* bytes, std::vector<TileCutter>* storage, Tile* tile,
              std::string* error) {
  AttachResourceSource(object, bytes);
  jpeg_save_markers(object, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(object, TRUE);
  // The saved markers go with the image's memory when the decode finishes.
  const int orientation = JpegOrientation(object);
  if (object->jpeg_color_space == JCS_CMYK || object->jpeg_color_space == JCS_YCCK) {
    *error = "CMYK JPEG";
    return false;
  }
  object->out_color_space = JCS_RGB;
  object->dct_method = JDCT_IFAST;
  object->do_fancy_upsampling = FALSE;
  const std::uint64_t shortSide = std::min(object->image_width, object->image_height);
  unsigned denom = 8;
  while (denom > 1 && shortSide / denom < static_cast<std::uint64_t>(kMinSamplesPerTilePixel * kTilePixels)) {
    denom /= 2;
  }
  object->scale_num = 1;
  object->scale_denom = denom;
  const std::uint64_t width = (object->image_width + denom - 1) / denom;
  const std::uint64_t height = (object->image_height + denom - 1) / denom;
  if (width * height > kMaxDecodedPixels) {
    *error = "too large (" + SizeText(object->image_width, object->image_height) + ")";
    return false;
  }
  jpeg_start_decompress(object);
  storage->emplace_back(static_cast<int>(object->output_width), static_cast<int>(object->output_height));
  TileCutter& cutter = storage->back();
  JSAMPARRAY row = (*object->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(object), JPOOL_IMAGE,
                                                object->output_width * 3, 1);
  while (object->output_scanline < object->output_height) {
    const int y = static_cast<int>(object->output_scanline);
    if (jpeg_read_scanlines(object, row, 1) != 1) {
      *error = "cut short";
      return false;
    }
    cutter.AddRow(y, row[0]);
  }
  jpeg_finish_decompress(object);
  *tile = cutter.Finish(orientation);
  return true;
}

bool DecodeJpeg(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                const std::atomic<bool>* stop) {
  if (size > UINT32_MAX) {
    *error = "file too large";
    return false;
  }
  ResourceBytes bytes;
  bytes.size = static_cast<std::uint32_t>(size);
  bytes.data = data;
  JpegErrors errors;
  JpegProgress progress;
  jpeg_decompress_struct object;
  std::memset(&errors, 0, sizeof errors);
  std::memset(&progress, 0, sizeof progress);
  std::memset(&object, 0, sizeof object);
  object.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JpegErrorExit;
  errors.pub.emit_message = JpegQuietMessage;
  progress.pub.progress_monitor = JpegProgressCheck;
  progress.stop = stop;
  progress.errors = &errors;
  std::vector<TileCutter> storage;  // outside the recovery point
  storage.reserve(1);
  volatile bool decoded = false;
  if (setjmp(errors.recoveryPoint) == 0) {
    jpeg_create_decompress(&object);
    object.mem->max_memory_to_use = kJpegMemoryLimit;
    object.progress = &progress.pub;
    decoded = ReadJpeg(&object, &bytes, &storage, tile, error);
  } else {
    *error = errors.message;
  }
  jpeg_destroy_decompress(&object);
  return decoded;
}

// ---- PNG ----

struct PngInput {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
  const std::atomic<bool>* stop;
  char message[128];
};

[[noreturn]] void PngFail(png_structp png, const char* message) {
  auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
  std::snprintf(input->message, sizeof input->message, "%s", message);
  png_longjmp(png, 1);
}

void PngQuiet(png_structp, const char*) {}

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
  if (length > input->size - input->position) PngFail(png, "cut short");
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
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 3) {
    *error = "unexpected PNG layout";
    return false;
  }
  storage->emplace_back(static_cast<int>(width), static_cast<int>(height));
  TileCutter& cutter = storage->back();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  // Interlaced rows are only whole after the last pass: keep the image.
  rows->assign(rowBytes * (interlaced ? height : 1), 0);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      if (Stopped(input->stop)) PngFail(png, "stopped");
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

bool DecodePng(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
               const std::atomic<bool>* stop) {
  // The size in the header comes first, before the library reads on.
  if (size >= 24) {
    const auto at = [data](std::size_t i) {
      return (std::uint64_t{data[i]} << 24) | (std::uint64_t{data[i + 1]} << 16) | (std::uint64_t{data[i + 2]} << 8) |
             data[i + 3];
    };
    if (at(16) * at(20) > kMaxDecodedPixels) {
      *error = "too large (" + SizeText(at(16), at(20)) + ")";
      return false;
    }
  }
  PngInput input{data, size, 0, stop, {0}};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, PngFail, PngQuiet);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "out of memory";
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

}  // namespace

PhotoKind DetectKind(const unsigned char* data, std::size_t size) {
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data == nullptr) return PhotoKind::Unknown;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PhotoKind::Jpeg;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PhotoKind::Png;
  return PhotoKind::Unknown;
}

bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  error->clear();
  switch (DetectKind(data, size)) {
    case PhotoKind::Jpeg:
      return DecodeJpeg(data, size, tile, error, stop);
    case PhotoKind::Png:
      return DecodePng(data, size, tile, error, stop);
    case PhotoKind::Unknown:
      break;
  }
  *error = size == 0 ? "empty file" : "not a JPEG or PNG file";
  return false;
}

}  // namespace photo
