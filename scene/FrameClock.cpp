#include "scene/FrameClock.h"

#include "scene/KaleidoScene.h"

namespace {

CounterSource& SourceOf(FrameClock& clock) { return clock.source ? *clock.source : DefaultCounter(); }

}  // namespace

std::int64_t CounterMilliseconds(std::int64_t counts, std::int64_t frequency) {
  if (frequency <= 0) frequency = kFallbackCounterFrequency;
  // (counts * 1000) / frequency, truncated toward zero, without the overflow
  // that the plain product reaches after some weeks with a fast counter.
  return (counts / frequency) * 1000 + ((counts % frequency) * 1000) / frequency;
}

void KaleidoScene::StartClock() {
  FrameClock& c = clock != nullptr ? *clock : ownClock;
  if (c.started) return;
  c.started = true;
  CounterSource& source = SourceOf(c);
  c.frequency = source.Frequency();
  if (c.frequency <= 0) c.frequency = kFallbackCounterFrequency;
  c.origin = source.Value();
  framesInWindow = 0;
  fps = 50.0f;
  elapsedSeconds = 0.0f;
  fpsWindowStart = 0.0f;
}

void KaleidoScene::TickClock() {
  FrameClock& c = clock != nullptr ? *clock : ownClock;
  const std::int64_t now = SourceOf(c).Value();
  const std::int64_t ms = CounterMilliseconds(now - c.origin, c.frequency);
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
