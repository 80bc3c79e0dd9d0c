#pragma once
// A looping animated WebP made of rendered frames.
#include <cstdint>
#include <memory>
#include <string>

#include "tools/render/RgbImage.h"

class WebpAnimation {
 public:
  // Frames are scaled to `width` x `height` and shown `frameMs` each.
  WebpAnimation(std::int32_t width, std::int32_t height, std::int32_t frameMs);
  ~WebpAnimation();
  WebpAnimation(const WebpAnimation&) = delete;
  WebpAnimation& operator=(const WebpAnimation&) = delete;

  // Adds a frame as read back from GL (rows bottom-up). False with a message.
  bool Add(const RgbImage& frame, std::string* error);
  // Writes the animation, looping for ever. False with a message.
  bool Write(const std::string& path, std::string* error);

 private:
  struct Encoder;
  std::unique_ptr<Encoder> encoder_;
  std::int32_t width_;
  std::int32_t height_;
  std::int32_t frameMs_;
  std::int32_t timestamp_ = 0;
};
