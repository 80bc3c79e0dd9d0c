#include "scene/FrameClock.h"

#include "scene/KaleidoScene.h"

std::int64_t CounterMilliseconds(std::int64_t counts, std::int64_t frequency) {
  if (frequency <= 0) frequency = kFallbackCounterFrequency;
  // (counts * 1000) / frequency, truncated toward zero, without the overflow
  // that the plain product reaches after some weeks with a fast counter.
  return (counts / frequency) * 1000 + ((counts % frequency) * 1000) / frequency;
}

void KaleidoScene::StartClock() {
  if (clock.started) return;
  clock.started = true;
  clock.frequency = clock.source != nullptr ? clock.source->Frequency() : 0;
  if (clock.frequency <= 0) clock.frequency = kFallbackCounterFrequency;
  clock.origin = clock.source != nullptr ? clock.source->Value() : 0;
  framesInWindow = 0;
  fps = 50.0f;
  elapsedSeconds = 0.0f;
  fpsWindowStart = 0.0f;
}

void KaleidoScene::TickClock() {
  const std::int64_t now = clock.source != nullptr ? clock.source->Value() : clock.origin;
  const std::int64_t ms = CounterMilliseconds(now - clock.origin, clock.frequency);
  // The single-precision 0.001, the product rounded once to float.
  elapsedSeconds = static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.001f));

  if (restartRateWindow) {
    restartRateWindow = false;
    framesInWindow = 0;
    fpsWindowStart = elapsedSeconds;
    return;
  }
  const float window = elapsedSeconds - fpsWindowStart;
  if (window < 1.0f) {
    ++framesInWindow;
    return;
  }
  const std::int32_t previous = static_cast<std::int32_t>(fps);
  fps = static_cast<float>(framesInWindow) / window;
  framesInWindow = 0;
  fpsWindowStart = elapsedSeconds;
  if (previous > 0 && targetFps > 0) sleepMs += (1000 / targetFps - 1000 / previous) / 2;
  if (sleepMs < 1) {
    sleepMs = 1;
  } else if (sleepMs > 1000) {
    sleepMs = 1000;
  }
}
