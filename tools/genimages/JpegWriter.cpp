#include "JpegWriter.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace gen {

std::vector<unsigned char> CompressJpeg(const unsigned char* pixels, int width, int height, int components,
                                        const JpegOptions& options) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);  // the standard manager exits on errors
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);

  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  for (int i = 0; i < info.num_components; ++i) {
    info.comp_info[i].h_samp_factor = 1;  // no chroma subsampling
    info.comp_info[i].v_samp_factor = 1;
  }
  info.optimize_coding = TRUE;
  info.restart_interval = options.restartInterval;
  info.write_JFIF_header = TRUE;
  info.write_Adobe_marker = options.adobeSegment ? TRUE : FALSE;

  jpeg_start_compress(&info, TRUE);
  for (const AppSegment& segment : options.segments) {
    jpeg_write_marker(&info, segment.marker, segment.payload.data(),
                      static_cast<unsigned>(segment.payload.size()));
  }
  const auto stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(pixels + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<unsigned char> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

AppSegment OrientationSegment(int orientation, bool bigEndian) {
  std::vector<unsigned char> p = {'E', 'x', 'i', 'f', 0, 0};
  const auto put16 = [&](unsigned v) {
    const unsigned char hi = static_cast<unsigned char>(v >> 8), lo = static_cast<unsigned char>(v);
    p.push_back(bigEndian ? hi : lo);
    p.push_back(bigEndian ? lo : hi);
  };
  const auto put32 = [&](unsigned v) {
    put16(bigEndian ? v >> 16 : v & 0xFFFF);
    put16(bigEndian ? v & 0xFFFF : v >> 16);
  };
  p.push_back(bigEndian ? 'M' : 'I');
  p.push_back(bigEndian ? 'M' : 'I');
  put16(42);
  put32(8);       // the first directory follows the header
  put16(1);       // one entry:
  put16(0x0112);  // orientation,
  put16(3);       // a SHORT,
  put32(1);       // one of them,
  put16(static_cast<unsigned>(orientation));
  put16(0);
  put32(0);  // no next directory
  return AppSegment{0xE1, p};
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "%s: write failed\n", path.c_str());
  }
  return written && closed;
}

}  // namespace gen
