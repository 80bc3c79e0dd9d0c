// Runs the field and the scene's frame clock for a day of frames at 24 per
// second (ZIRBEL_SOAK_HOURS changes the length) and checks that the motion,
// the clock and the pacing stay sane throughout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "field/DiscField.h"
#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"

namespace {

// Sanitizer and unoptimised builds soak two hours by default.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr double kDefaultHours = 2.0;
#else
constexpr double kDefaultHours = 24.0;
#endif

double SoakHours() {
  const char* text = std::getenv("ZIRBEL_SOAK_HOURS");
  const double hours = text != nullptr ? std::atof(text) : 0.0;
  return hours > 0.0 && hours < 24.0 * 365.0 ? hours : kDefaultHours;
}

bool Finite(const Vector3f& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Runs `hours` of frames, the clock first moved `startHours` on.
void Soak(double startHours, double hours) {
  constexpr std::int64_t kFps = 24, kFrequency = 10000000;
  const auto frames = static_cast<std::int64_t>(hours * 3600.0 * kFps);
  const auto startFrame = static_cast<std::int64_t>(startHours * 3600.0 * kFps);
  ManualCounter counter;
  counter.frequency = kFrequency;
  KaleidoScene scene;
  scene.clock.source = &counter;
  scene.StartClock();
  scene.random.Seed(20240601u);
  auto field = std::make_unique<DiscField>(&scene);
  field->SetUpWithoutImages();
  float birth[kDiscCount];
  bool renewed[kDiscCount] = {};
  for (int i = 0; i < kDiscCount; ++i) birth[i] = field->discs[i].birthTime;
  std::int64_t lateRenewals = 0, flips = 0;  // renewals in the last hour; tile-mode flips
  const std::int64_t lastHour = frames - 3600 * kFps;
  float longestPeriod = 0.0f, lastFlip = static_cast<float>(startHours * 3600.0), previousSeconds = 0.0f;
  bool mode = field->uniformTile;

  for (std::int64_t frame = 1; frame <= frames; ++frame) {
    counter.value = (startFrame + frame) * kFrequency / kFps;
    scene.TickClock();
    ASSERT_GE(scene.elapsedSeconds, previousSeconds);
    previousSeconds = scene.elapsedSeconds;
    field->Step();
    if (field->uniformTile != mode) {
      mode = field->uniformTile;
      ++flips;
      longestPeriod = std::max(longestPeriod, scene.elapsedSeconds - lastFlip);
      lastFlip = scene.elapsedSeconds;
    }
    for (int i = 0; i < kDiscCount; ++i) {
      if (field->discs[i].birthTime == birth[i]) continue;
      birth[i] = field->discs[i].birthTime;
      renewed[i] = true;
      if (frame > lastHour) ++lateRenewals;
    }
    if (frame % kFps != 0) continue;

    // Once a second: the field, the clock near 24 frames per second, every disc.
    ASSERT_TRUE(frame > 63 ? scene.segmentCount == 8.0f : scene.segmentCount >= 8.0f && scene.segmentCount <= 10.0f);
    ASSERT_TRUE(std::isfinite(field->spin) && scene.sleepMs >= 1 && scene.sleepMs <= 1000) << "frame " << frame;
    ASSERT_TRUE(frame <= 10 * kFps || std::fabs(scene.fps - 24.0f) <= 6.0f) << scene.fps << ", frame " << frame;
    for (int i = 0; i < kDiscCount; ++i) {
      const Disc& d = field->discs[i];
      ASSERT_TRUE(Finite(d.position) && Finite(d.velocity) && Finite(d.force) && std::isfinite(d.rotation) &&
                  d.radius >= 0.2f && d.radius <= 0.6f && d.tile >= 0 && d.tile <= 77 && d.phase >= 0.0f &&
                  d.phase <= 1.0f + 1e-4f && d.position.z == 0.0f && d.position.Length() < 4.5f)
          << "disc " << i << " frame " << frame;
    }
  }

  EXPECT_GE(scene.elapsedSeconds, static_cast<float>((startHours + hours) * 3600.0) - 4.0f) << "the clock fell behind";
  EXPECT_EQ(scene.segmentAngle, 45.0f);
  EXPECT_GT(flips, static_cast<std::int64_t>(hours * 3600.0 / 20.0));
  EXPECT_LT(longestPeriod, 60.0f);
  // Discs may wait long in the lower right, but every disc renews, to the end.
  for (int i = 0; i < kDiscCount; ++i) EXPECT_TRUE(renewed[i]) << "disc " << i;
  EXPECT_GT(lateRenewals, std::min<std::int64_t>(frames, 3600 * kFps) / kFps / 4);
}

TEST(FieldSoak, ADayOfFramesStaysFiniteBoundedAndKeepsCycling) { Soak(0.0, SoakHours()); }

// Half a year on, the float scene time moves in 2-second steps.
TEST(FieldSoak, AfterHalfAYearTheFieldStillMovesAndRenews) { Soak(200.0 * 24.0, 2.0); }

}  // namespace
