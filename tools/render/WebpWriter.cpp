#include "tools/render/WebpWriter.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <vector>

struct WebpAnimation::Encoder {
  WebPAnimEncoder* encoder = nullptr;
  ~Encoder() {
    if (encoder != nullptr) WebPAnimEncoderDelete(encoder);
  }
};

WebpAnimation::WebpAnimation(std::int32_t width, std::int32_t height, std::int32_t frameMs)
    : encoder_(new Encoder()), width_(width), height_(height), frameMs_(frameMs) {
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) return;
  options.anim_params.loop_count = 0;  // for ever
  options.allow_mixed = 1;
  encoder_->encoder = WebPAnimEncoderNew(width, height, &options);
}

WebpAnimation::~WebpAnimation() = default;

bool WebpAnimation::Add(const RgbImage& frame, std::string* error) {
  if (encoder_->encoder == nullptr) {
    *error = "the WebP animation encoder could not be set up";
    return false;
  }
  // Top row first, as WebP wants it.
  const std::size_t row = static_cast<std::size_t>(frame.width) * 3;
  std::vector<unsigned char> upright(frame.pixels.size());
  for (std::int32_t y = 0; y < frame.height; ++y) {
    const unsigned char* from = frame.At(0, frame.height - 1 - y);
    std::copy(from, from + row, upright.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)));
  }
  WebPConfig config;
  WebPPicture picture;
  if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
    *error = "WebP library version mismatch";
    return false;
  }
  config.quality = 70;
  config.method = 4;
  picture.use_argb = 1;
  picture.width = frame.width;
  picture.height = frame.height;
  bool ok = WebPPictureImportRGB(&picture, upright.data(), static_cast<int>(row)) &&
            (picture.width == width_ && picture.height == height_ ? true
                                                                   : WebPPictureRescale(&picture, width_, height_)) &&
            WebPAnimEncoderAdd(encoder_->encoder, &picture, timestamp_, &config);
  WebPPictureFree(&picture);
  if (!ok) *error = "the WebP encoder refused a frame";
  timestamp_ += frameMs_;
  return ok;
}

bool WebpAnimation::Write(const std::string& path, std::string* error) {
  if (encoder_->encoder == nullptr || !WebPAnimEncoderAdd(encoder_->encoder, nullptr, timestamp_, nullptr)) {
    *error = "the WebP animation could not be finished";
    return false;
  }
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(encoder_->encoder, &data)) {
    *error = "the WebP animation could not be assembled";
    return false;
  }
  const std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  bool ok = file != nullptr && std::fwrite(data.bytes, 1, data.size, file) == data.size;
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  WebPDataClear(&data);
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  *error = "cannot write " + path;
  return false;
}
