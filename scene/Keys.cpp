// The keys that steer the picture while the saver runs; every other key ends
// the saver.
#include "field/DiscField.h"
#include "scene/KaleidoScene.h"

namespace {

constexpr std::uint32_t kSpace = 0x20;
constexpr std::uint32_t kLeft = 0x25;
constexpr std::uint32_t kDown = 0x28;
constexpr std::uint32_t kDigit0 = 0x30;
constexpr std::uint32_t kDigit9 = 0x39;
constexpr std::uint32_t kKeyM = 0x4D;
constexpr std::uint32_t kKeyS = 0x53;

}  // namespace

bool KaleidoScene::HandleKey(std::uint32_t code) {
  if (code == kSpace || code == kKeyS) return true;
  if (code >= kLeft && code <= kDown) {
    if (field) field->HandleKey(code);
    return true;
  }
  if (code >= kDigit0 && code <= kDigit9) {
    levels = static_cast<std::int32_t>(code - kDigit0) + 1;
    return true;
  }
  if (code == kKeyM) {
    ToggleMirrors();
    return true;
  }
  if (field) field->HandleKey(code);
  return false;
}

void KaleidoScene::ToggleMirrors() { mirrorsSuppressed = !mirrorsSuppressed; }
