#include "images/PhotoDecode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "images/ResourceSource.h"

extern "C" {
#include <jerror.h>
}

namespace photo {

namespace {

constexpr int kMinSamplesPerTilePixel = 2;
constexpr const char* kNoMemory = "not enough free memory to decode it";

// The stop flag and the time a photo may take, checked between small pieces
// of the decode (a few milliseconds each).
class Watch {
 public:
  Watch(const std::atomic<bool>* stop, const DecodeLimits& limits)
      : stop_(stop), limits_(limits), deadline_(Now() + limits.time) {}

  const DecodeLimits& Limits() const { return limits_; }

  // Whether the decode must end now; why in `why` (at least 96 bytes).
  bool Over(char* why, std::size_t size) const {
    if (stop_ != nullptr && stop_->load(std::memory_order_relaxed)) {
      std::snprintf(why, size, "stopped");
      return true;
    }
    if (Now() <= deadline_) return false;
    std::snprintf(why, size, "takes longer than the %g s a photo may take to decode",
                  std::chrono::duration<double>(limits_.time).count());
    return true;
  }

 private:
  std::chrono::steady_clock::time_point Now() const {
    return limits_.now ? limits_.now() : std::chrono::steady_clock::now();
  }

  const std::atomic<bool>* stop_;
  const DecodeLimits& limits_;
  std::chrono::steady_clock::time_point deadline_;
};

std::string SizeText(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// ---- JPEG ----

// The library's error manager, keeping the message instead of printing it,
// with the stop flag checked through the progress monitor.
struct JpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf recoveryPoint;
  char message[JMSG_LENGTH_MAX + 64];
};

struct JpegProgress {
  jpeg_progress_mgr pub;
  const Watch* watch;
  JpegErrors* errors;
};

[[noreturn]] void JpegErrorExit(j_common_ptr object) {
  auto* errors = reinterpret_cast<JpegErrors*>(object->err);
  const auto* progress = reinterpret_cast<JpegProgress*>(object->progress);
  char text[JMSG_LENGTH_MAX];
  (*object->err->format_message)(object, text);
  // Memory: the library has no backing store, so a photo needing more than
  // its budget ends in "Backing store not supported".
  if (object->err->msg_code == JERR_NO_BACKING_STORE && progress != nullptr) {
    std::snprintf(errors->message, sizeof errors->message,
                  "needs more than the %zu MiB of memory a photo may use to decode",
                  progress->watch->Limits().jpegMemory >> 20);
  } else if (object->err->msg_code == JERR_OUT_OF_MEMORY) {
    std::snprintf(errors->message, sizeof errors->message, "%s", kNoMemory);
  } else {
    std::snprintf(errors->message, sizeof errors->message, "damaged or unsupported JPEG (%s)", text);
  }
  std::longjmp(errors->recoveryPoint, 1);
}

void JpegQuietMessage(j_common_ptr, int) {}  // corrupt-data warnings don't stop a photo

// Called between scans and between rows of blocks.
void JpegProgressCheck(j_common_ptr object) {
  auto* progress = reinterpret_cast<JpegProgress*>(object->progress);
  char* why = progress->errors->message;
  const std::size_t size = sizeof progress->errors->message;
  const int scans = progress->watch->Limits().jpegScans;
  if (reinterpret_cast<j_decompress_ptr>(object)->input_scan_number > scans) {
    std::snprintf(why, size, "has more than %d scans (a progressive photo has about ten)", scans);
  } else if (!progress->watch->Over(why, size)) {
    return;
  }
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

bool DecodeJpeg(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch) {
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
  progress.watch = &watch;
  progress.errors = &errors;
  std::vector<TileCutter> storage;  // outside the recovery point
  storage.reserve(1);
  volatile bool decoded = false;
  if (setjmp(errors.recoveryPoint) == 0) {
    jpeg_create_decompress(&object);
    object.progress = &progress.pub;
    object.mem->max_memory_to_use =
        static_cast<long>(std::min<std::size_t>(watch.Limits().jpegMemory, std::numeric_limits<long>::max()));
    decoded = ReadJpeg(&object, &bytes, &storage, tile, error);
  } else {
    *error = errors.message;
  }
  jpeg_destroy_decompress(&object);
  return decoded;
}

// ---- PNG ----

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

}  // namespace

PhotoKind DetectKind(const unsigned char* data, std::size_t size) {
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data == nullptr) return PhotoKind::Unknown;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PhotoKind::Jpeg;
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PhotoKind::Png;
  return PhotoKind::Unknown;
}

bool DecodePhotoTile(const unsigned char* data, std::size_t size, Tile* tile, std::string* error,
                     const std::atomic<bool>* stop, const DecodeLimits& limits) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  error->clear();
  const Watch watch(stop, limits);
  switch (DetectKind(data, size)) {
    case PhotoKind::Jpeg:
      return DecodeJpeg(data, size, tile, error, watch);
    case PhotoKind::Png:
      return DecodePng(data, size, tile, error, watch);
    case PhotoKind::Unknown:
      break;
  }
  *error = size == 0 ? "empty file" : "not a JPEG or PNG file";
  return false;
}

}  // namespace photo
