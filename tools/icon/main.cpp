// zirbel-icon: makes the saver's icon (32 x 32 and 16 x 16, 16 colours) from
// one of its JPEG images.
//
//   zirbel-icon [--mask MASK.jpg] [--crop X,Y,SIZE] [--dither 0..1] [--round] INPUT.jpg OUTPUT.ico
//
// --mask takes the alpha from a grey JPEG of the same size; --crop picks the
// square to use (default: the largest centred square); --dither scales the
// error diffusion (default 1, 0 for plain nearest colours); --round makes the
// corners outside the centred circle transparent.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "tools/icon/IconImage.h"

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf recovery;
};

void ErrorExit(j_common_ptr info) {
  (*info->err->output_message)(info);
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->recovery, 1);
}

// Decodes a JPEG file into samples of `channels` bytes (1 grey, 3 RGB).
bool ReadJpeg(const char* path, int channels, int& width, int& height, std::vector<std::uint8_t>& samples) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "zirbel-icon: cannot open %s\n", path);
    return false;
  }
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  if (setjmp(errors.recovery)) {
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    std::fprintf(stderr, "zirbel-icon: %s is not a readable JPEG\n", path);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  samples.assign(static_cast<std::size_t>(width) * height * channels, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &samples[static_cast<std::size_t>(info.output_scanline) * width * channels];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: zirbel-icon [--mask MASK.jpg] [--crop X,Y,SIZE] [--dither 0..1] [--round] INPUT.jpg OUTPUT.ico\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* maskPath = nullptr;
  const char* inputPath = nullptr;
  const char* outputPath = nullptr;
  bool round = false;
  double dither = 1.0;
  bool haveCrop = false;
  int cropX = 0, cropY = 0, cropSize = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mask") == 0 && i + 1 < argc) {
      maskPath = argv[++i];
    } else if (std::strcmp(argv[i], "--crop") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%d,%d,%d", &cropX, &cropY, &cropSize) != 3 || cropSize <= 0) return Usage();
      haveCrop = true;
    } else if (std::strcmp(argv[i], "--dither") == 0 && i + 1 < argc) {
      char* end = nullptr;
      dither = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || dither < 0 || dither > 1) return Usage();
    } else if (std::strcmp(argv[i], "--round") == 0) {
      round = true;
    } else if (inputPath == nullptr) {
      inputPath = argv[i];
    } else if (outputPath == nullptr) {
      outputPath = argv[i];
    } else {
      return Usage();
    }
  }
  if (inputPath == nullptr || outputPath == nullptr) return Usage();

  icon::Picture picture;
  std::vector<std::uint8_t> rgb;
  if (!ReadJpeg(inputPath, 3, picture.width, picture.height, rgb)) return 1;
  picture.rgba.assign(static_cast<std::size_t>(picture.width) * picture.height * 4, 255);
  for (std::size_t i = 0; i < rgb.size() / 3; ++i) std::memcpy(&picture.rgba[i * 4], &rgb[i * 3], 3);
  if (maskPath != nullptr) {
    int mw = 0, mh = 0;
    std::vector<std::uint8_t> mask;
    if (!ReadJpeg(maskPath, 1, mw, mh, mask)) return 1;
    if (mw != picture.width || mh != picture.height) {
      std::fprintf(stderr, "zirbel-icon: the mask is %dx%d, the image %dx%d\n", mw, mh, picture.width, picture.height);
      return 1;
    }
    for (std::size_t i = 0; i < mask.size(); ++i) picture.rgba[i * 4 + 3] = mask[i];
  }
  if (!haveCrop) {
    cropSize = picture.width < picture.height ? picture.width : picture.height;
    cropX = (picture.width - cropSize) / 2;
    cropY = (picture.height - cropSize) / 2;
  }

  std::vector<icon::IndexedImage> images;
  for (int size : {32, 16}) {
    icon::Picture scaled = icon::CropAndScale(picture, cropX, cropY, cropSize, size);
    if (round) icon::MaskToCircle(scaled);
    images.push_back(icon::Quantize(scaled, dither));
  }
  const std::vector<std::uint8_t> bytes = icon::EncodeIcon(images);
  // Write beside the target and rename, so a failed write keeps the old icon.
  const std::string temporary = std::string(outputPath) + ".tmp";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  bool written = out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out != nullptr && std::fclose(out) != 0) written = false;
  if (!written || std::rename(temporary.c_str(), outputPath) != 0) {
    std::remove(temporary.c_str());
    std::fprintf(stderr, "zirbel-icon: cannot write %s\n", outputPath);
    return 1;
  }
  std::printf("zirbel-icon: wrote %s (%zu bytes)\n", outputPath, bytes.size());
  return 0;
}
