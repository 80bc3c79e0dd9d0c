// The WebP half of the photo decoder: a still picture or the first frame of
// an animation, only its centre square decoded and scaled down by the
// library itself, fed to it in pieces so that a stop and the time are heard,
// its transparency kept, upright as its Exif orientation says.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "images/PhotoDecodeParts.h"

namespace photo {
namespace decode {

namespace {

constexpr std::size_t kPiece = std::size_t{64} << 10;

struct DemuxDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct DecoderDeleter {
  void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};
struct OutputGuard {
  WebPDecBuffer* buffer;
  ~OutputGuard() { WebPFreeDecBuffer(buffer); }
};

int WebpOrientation(const WebPDemuxer* demux) {
  WebPChunkIterator chunk;
  if (!WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) return 1;
  const std::uint8_t* exif = chunk.chunk.bytes;
  std::size_t size = chunk.chunk.size;
  if (size >= 6 && std::memcmp(exif, "Exif\0\0", 6) == 0) exif += 6, size -= 6;
  const int orientation = ExifOrientation(exif, size);
  WebPDemuxReleaseChunkIterator(&chunk);
  return orientation;
}

const char* StatusText(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return kNoMemory;
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "damaged or unsupported WebP (a feature the library lacks)";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "cut short";
    default: return "damaged or unsupported WebP (bad data)";
  }
}

}  // namespace

bool DecodeWebp(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch) {
  const WebPData whole = {data, size};
  std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&whole));
  WebPIterator frame;
  if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame)) {
    *error = demux ? "damaged or unsupported WebP (no picture)" : "cut short or damaged WebP";
    return false;
  }
  const std::uint8_t* bytes = frame.fragment.bytes;
  const std::size_t length = frame.fragment.size;
  WebPDemuxReleaseIterator(&frame);
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    *error = "unsupported WebP library";
    return false;
  }
  const VP8StatusCode header = WebPGetFeatures(bytes, length, &config.input);
  if (header != VP8_STATUS_OK) {
    *error = StatusText(header);
    return false;
  }
  const int width = config.input.width, height = config.input.height;
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > watch.Limits().wholePixels) {
    *error = "too large (" + SizeText(width, height) + ")";
    return false;
  }
  // The centre square, scaled by the library to at most two image pixels a
  // tile pixel.
  const int side = std::min(width, height);
  const int scaled = std::min(side, 2 * kTilePixels);
  config.options.use_cropping = 1;
  config.options.crop_left = (width - side) / 2;
  config.options.crop_top = (height - side) / 2;
  config.options.crop_width = config.options.crop_height = side;
  config.options.use_scaling = 1;
  config.options.scaled_width = config.options.scaled_height = scaled;
  const bool alpha = config.input.has_alpha != 0;
  config.output.colorspace = alpha ? MODE_RGBA : MODE_RGB;
  const OutputGuard output{&config.output};
  std::unique_ptr<WebPIDecoder, DecoderDeleter> decoder(WebPIDecode(nullptr, 0, &config));
  if (!decoder) {
    *error = kNoMemory;
    return false;
  }
  VP8StatusCode status = VP8_STATUS_SUSPENDED;
  char why[160];
  for (std::size_t fed = 0; status == VP8_STATUS_SUSPENDED;) {
    if (watch.Over(why, sizeof why)) {
      *error = why;
      return false;
    }
    if (fed == length) {
      *error = "cut short";
      return false;
    }
    fed = std::min(length, fed + kPiece);
    status = WebPIUpdate(decoder.get(), bytes, fed);
  }
  if (status != VP8_STATUS_OK) {
    *error = StatusText(status);
    return false;
  }
  const WebPRGBABuffer& out = config.output.u.RGBA;
  TileCutter cutter(config.output.width, config.output.height, alpha ? 4 : 3);
  for (int y = 0; y < config.output.height; ++y) cutter.AddRow(y, out.rgba + static_cast<std::size_t>(y) * out.stride);
  *tile = cutter.Finish(WebpOrientation(demux.get()));
  return true;
}

}  // namespace decode
}  // namespace photo
