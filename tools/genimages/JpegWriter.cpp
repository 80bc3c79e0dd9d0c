#include "JpegWriter.h"

#include <zlib.h>

#include <algorithm>
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
  if (options.progressive) jpeg_simple_progression(&info);

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

std::vector<unsigned char> RepeatLastScan(const std::vector<unsigned char>& jpeg, int scans) {
  // Markers are whole segments up to the first SOS; after it, 0xFF 0xDA only
  // starts a scan (entropy-coded 0xFF bytes are followed by 0x00).
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) starts.push_back(i);
  }
  if (starts.empty() || jpeg.size() < 2) return jpeg;
  const auto first = jpeg.begin() + static_cast<std::ptrdiff_t>(starts.back());
  const auto end = jpeg.end() - 2;  // EOI
  std::vector<unsigned char> out(jpeg.begin(), end);
  for (int scan = static_cast<int>(starts.size()); scan < scans; ++scan) out.insert(out.end(), first, end);
  out.insert(out.end(), end, jpeg.end());
  return out;
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

namespace {

void PutBig32(std::vector<unsigned char>* out, unsigned long v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(std::vector<unsigned char>* png, const char* type, const unsigned char* data, std::size_t size) {
  PutBig32(png, static_cast<unsigned long>(size));
  const std::size_t at = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data, data + size);
  PutBig32(png, crc32(0, png->data() + at, static_cast<uInt>(size + 4)));
}

// Compresses `size` bytes and flushes so that what follows starts afresh.
void Deflate(z_stream* stream, const unsigned char* data, std::size_t size, std::vector<unsigned char>* out) {
  stream->next_in = const_cast<unsigned char*>(data);
  stream->avail_in = static_cast<uInt>(size);
  unsigned char buffer[16384];
  do {
    stream->next_out = buffer;
    stream->avail_out = sizeof buffer;
    deflate(stream, Z_FULL_FLUSH);
    out->insert(out->end(), buffer, buffer + (sizeof buffer - stream->avail_out));
  } while (stream->avail_out == 0);
}

}  // namespace

std::vector<unsigned char> MakePng(int width, int height, const std::vector<unsigned char>& pixels,
                                   const PngOptions& options) {
  const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
  const std::size_t rowBytes =
      (static_cast<std::size_t>(width) * static_cast<std::size_t>(channels[options.colourType] * options.bitDepth) + 7) / 8;
  std::vector<unsigned char> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y));
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(rowBytes));
  }
  // The picture, then a piece of 1 MiB of zeros compressed on its own (after
  // a full flush nothing refers back), repeated, then the rest of the zeros.
  z_stream stream{};
  deflateInit(&stream, 9);
  std::vector<unsigned char> data;
  Deflate(&stream, raw.data(), raw.size(), &data);
  unsigned long adler = adler32(1, raw.data(), static_cast<uInt>(raw.size()));
  const std::size_t kPiece = std::size_t{1} << 20;
  const std::vector<unsigned char> zeros(kPiece, 0);
  const unsigned long pieceAdler = adler32(1, zeros.data(), static_cast<uInt>(kPiece));
  std::vector<unsigned char> piece;
  Deflate(&stream, zeros.data(), kPiece, &piece);
  for (unsigned long long i = 0; i < options.extraZeros / kPiece; ++i) {
    data.insert(data.end(), piece.begin(), piece.end());
    adler = adler32_combine(adler, pieceAdler, static_cast<z_off_t>(kPiece));
  }
  const std::size_t rest = static_cast<std::size_t>(options.extraZeros % kPiece);
  Deflate(&stream, zeros.data(), rest, &data);
  adler = adler32_combine(adler, adler32(1, zeros.data(), static_cast<uInt>(rest)), static_cast<z_off_t>(rest));
  deflateEnd(&stream);
  for (unsigned char b : {0x01, 0x00, 0x00, 0xFF, 0xFF}) data.push_back(b);  // the last block, stored and empty
  PutBig32(&data, adler);

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  PutBig32(&header, static_cast<unsigned long>(width));
  PutBig32(&header, static_cast<unsigned long>(height));
  for (int b : {options.bitDepth, options.colourType, 0, 0, 0}) header.push_back(static_cast<unsigned char>(b));
  PutChunk(&png, "IHDR", header.data(), header.size());
  if (!options.palette.empty()) PutChunk(&png, "PLTE", options.palette.data(), options.palette.size());
  if (!options.transparency.empty()) PutChunk(&png, "tRNS", options.transparency.data(), options.transparency.size());
  for (std::size_t at = 0; at < data.size(); at += 65536) {
    PutChunk(&png, "IDAT", data.data() + at, std::min<std::size_t>(65536, data.size() - at));
  }
  PutChunk(&png, "IEND", nullptr, 0);
  return png;
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
