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
  bool progressive = false;      // the library's usual progressive scans
  std::vector<AppSegment> segments;
};

// `components` is 1 (grey) or 3 (RGB, stored as YCbCr without subsampling).
std::vector<unsigned char> CompressJpeg(const unsigned char* pixels, int width, int height, int components,
                                        const JpegOptions& options);

// The JPEG stream with its last scan repeated until it has `scans` scans
// (a decoder warns of each repeat and decodes it all the same).
std::vector<unsigned char> RepeatLastScan(const std::vector<unsigned char>& jpeg, int scans);

// APP1 "Exif" holding only the orientation tag (1 to 8), in Motorola or
// Intel byte order.
AppSegment OrientationSegment(int orientation, bool bigEndian = true);

// A PNG written by hand: `pixels` are the rows as the colour type (0, 2, 3,
// 4 or 6) and bit depth give them, without filter bytes; a palette (RGB
// triples) and a tRNS chunk where given. `extraZeros` zero bytes follow the
// picture inside its compressed stream, in IDAT chunks of 64 KiB, however
// large (they are made by repeating one compressed piece).
struct PngOptions {
  int colourType = 2;
  int bitDepth = 8;
  std::vector<unsigned char> palette;
  std::vector<unsigned char> transparency;
  unsigned long long extraZeros = 0;
};
std::vector<unsigned char> MakePng(int width, int height, const std::vector<unsigned char>& pixels,
                                   const PngOptions& options);

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace gen
