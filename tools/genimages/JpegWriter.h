#pragma once
// Baseline JPEG compression of 8-bit grey or RGB pixels to memory.
#include <string>
#include <vector>

namespace gen {

// An application segment written after the library's own JFIF (and Adobe)
// headers: marker 0xE0 + n and its payload (at most 65533 bytes).
struct AppSegment {
  int marker;
  std::vector<unsigned char> payload;
};

struct JpegOptions {
  int quality = 92;
  unsigned restartInterval = 0;  // MCUs; 0 = none
  bool adobeSegment = false;     // APP14 "Adobe"
  std::vector<AppSegment> segments;
};

// `components` is 1 (grey) or 3 (RGB, stored as YCbCr without subsampling).
std::vector<unsigned char> CompressJpeg(const unsigned char* pixels, int width, int height, int components,
                                        const JpegOptions& options);

// APP1 "Exif" holding only the orientation tag (1 to 8), in Motorola or
// Intel byte order.
AppSegment OrientationSegment(int orientation, bool bigEndian = true);

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace gen
