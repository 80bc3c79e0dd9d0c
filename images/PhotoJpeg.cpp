// The JPEG half of the photo decoder: reduced where that is enough, only the
// rows of the centre square looked at, the scans, the time and the memory
// bounded through the library's progress monitor and memory manager.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "images/PhotoDecodeParts.h"
#include "images/ResourceSource.h"

extern "C" {
#include <jerror.h>
}

namespace photo {
namespace decode {

namespace {

constexpr int kMinSamplesPerTilePixel = 2;


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

}  // namespace

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

}  // namespace decode
}  // namespace photo
