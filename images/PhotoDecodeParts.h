#pragma once
// What the halves of the photo decoder share: the watch on the stop and the
// time, and the decoders DecodePhotoTile chooses between.
// Inside images/ only.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "images/PhotoDecode.h"

namespace photo {
namespace decode {

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

// "W x H".
std::string SizeText(std::uint64_t width, std::uint64_t height);

bool DecodeJpeg(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch);
bool DecodePng(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch);
void PrepareHeif();
bool DecodeHeif(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch);
bool DecodeWebp(const unsigned char* data, std::size_t size, Tile* tile, std::string* error, const Watch& watch);

}  // namespace decode
}  // namespace photo
