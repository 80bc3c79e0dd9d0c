// The keys that steer the picture while the saver runs; every other key ends
// the saver.
#include "field/KeyCodes.h"
#include "scene/KaleidoScene.h"

using namespace keycode;

bool KaleidoScene::HandleKey(std::uint32_t code) {
  if (follower) follower->HandleKey(code);
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

void KaleidoScene::TakeControlsOf(const KaleidoScene& leader) {
  levels = leader.levels;
  mirrorsSuppressed = leader.mirrorsSuppressed;
  if (field && leader.field) {
    field->feedbackScale = leader.field->feedbackScale;
    field->approachSegments = leader.field->approachSegments;
  }
}
