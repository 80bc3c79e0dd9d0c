#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "field/DiscField.h"
#include "field/KeyCodes.h"
#include "field/Random.h"
#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"
#include "scene/MirrorSegments.h"

using namespace keycode;

namespace {

// A scene whose clock reads a manual counter; no GL and no field needed.
class FrameClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scene.clock.source = &counter;
    counter.value = 5000;  // the origin need not be 0
    scene.StartClock();
  }
  void TickAt(std::int64_t ms) {
    counter.value = 5000 + ms;
    scene.TickClock();
  }
  // A measuring tick just over a second into the window, `previous` the last rate.
  void MeasureWith(float previous) {
    scene.fps = previous;
    TickAt(static_cast<std::int64_t>(scene.fpsWindowStart * 1000.0f) + 1001);
    ASSERT_EQ(scene.framesInWindow, 0);
  }

  ManualCounter counter;
  KaleidoScene scene;
};

constexpr double kPi = 3.14159265358979323846;

// Whether the ray at `degrees` (in the planes' frame) passes both planes.
bool InWedge(const double planes[2][4], double degrees) {
  const double x = std::cos(degrees * kPi / 180.0), y = std::sin(degrees * kPi / 180.0);
  return planes[0][0] * x + planes[0][1] * y + planes[0][3] >= 0.0 &&
         planes[1][0] * x + planes[1][1] * y + planes[1][3] >= 0.0;
}

// How many copies of a level cover the ray at `degrees` in the pass's frame.
int CopiesCovering(const KaleidoScene& s, bool mirrored, double degrees) {
  int count = 0;
  ForEachMirrorCopy(s.wedgeSlots, s.hasPartialWedge, mirrored, [&](const MirrorCopy& c) {
    double local = degrees - c.iteration * static_cast<double>(s.wedgeAngle);
    if (c.reflected) local = 180.0 - local;  // x -> -x
    if (InWedge(c.partial ? s.partialPlanes : s.wedgePlanes, local)) ++count;
  });
  return count;
}

}  // namespace

TEST(Random, TheRuntimeSequenceItsVariatesAndTheSeedFromTheCalendarTime) {
  RandomSource random;
  random.Seed(1);
  for (int value : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}) EXPECT_EQ(random.Next(), value);
  random.Seed(1);
  EXPECT_EQ(random.UniformVariate(), 41.0f * 3.0518509e-5f);
  // This seed's first draw is the largest, 32767: the variate is the product
  // exactly, 1.0, so that 4u is 4 and 360u is 360.
  random.Seed(0xF01BF641u);
  const float u = random.UniformVariate();
  EXPECT_TRUE(u == 32767.0f * 3.0518509e-5f && 4.0f * u == 4.0f && 360.0f * u == 360.0f) << u;
  // The seed from the calendar time.
  const std::pair<std::int64_t, std::uint32_t> rows[] = {{0, 0u},
              {1700000123, 1700000123u % 256u},
              {-5, static_cast<std::uint32_t>(-5)},
              {std::int64_t{1} << 31, 0u},  // past 2038 the signed 32-bit time is negative
              {(std::int64_t{1} << 31) + 10, static_cast<std::uint32_t>(-246)},
              {(std::int64_t{1} << 32) + 300, 300u % 256u}};
  for (const auto& [seconds, seed] : rows) EXPECT_EQ(RandomSeedForTime(seconds), seed) << seconds;
}

TEST(LevelViewport, WidthCopyOriginAndSquare) {
  // Window size; level width, copy origin, copied square, square projection, drawable. Windows too low or too
  // narrow for 512-pixel levels draw them into the largest power-of-two square they hold.
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool, bool> rows[] = {
      {1024, 768, 682, 85, 512, false, true},      {1920, 1080, 910, 199, 512, false, true},
      {512, 512, 512, 0, 512, false, true},        {640, 512, 640, 64, 512, false, true},
      {4194304, 1024, 2097152, 1048320, 512, false, true}, {800, -3, 0, 0, 0, false, false},
      {511, 511, 256, 0, 256, true, true},         {320, 240, 128, 0, 128, true, true},
      {400, 800, 256, 0, 256, true, true},         {1080, 1920, 512, 0, 512, true, true},
      {1, 1, 1, 0, 1, true, true},                 {2000000000, 1, 1, 0, 1, true, true},
      {800, 0, 0, 0, 0, false, false},             {0, 600, 0, 0, 0, false, false}};
  for (const auto& [width, height, levelWidth, copyX, size, square, drawable] : rows) {
    const LevelViewport v = ComputeLevelViewport(width, height);
    EXPECT_EQ(std::tuple(v.width, v.copyX, v.size, v.squareProjection, v.drawable),
              std::tuple(levelWidth, copyX, size, square, drawable)) << width << " x " << height;
  }
}

TEST(Keys, TheSceneKeyTable) {
  // Applied in order to one scene with a field: whether the key is consumed,
  // and the level count, mirror suppression, feedback scale and easing after it.
  const std::tuple<std::uint32_t, bool, int, bool, float, bool> rows[] = {
      {kSpace, true, 1, false, 2.4f, true},     {kKeyS, true, 1, false, 2.4f, true},
      {kDigit9, true, 10, false, 2.4f, true},   {kDigit0, true, 1, false, 2.4f, true},
      {'5', true, 6, false, 2.4f, true},        {'5', true, 6, false, 2.4f, true},  // sets, does not add
      {kNumpad0 + 3, false, 6, false, 2.4f, true},                                  // keypad digits end the saver
      {kKeyM, true, 6, true, 2.4f, true},       {'m', false, 6, true, 2.4f, true},  // not a key-down code
      {kKeyM, true, 6, false, 2.4f, true},      {kLeft, true, 6, false, 2.3f, true},
      {kRight, true, 6, false, 2.4f, true},     {kKeyG, false, 6, false, 2.4f, false},  // reaches the field
      {kKeyG, false, 6, false, 2.4f, true},
  };
  KaleidoScene scene;
  scene.field = new DiscField(&scene);
  scene.field->SetUpWithoutImages();
  for (std::uint32_t code = 0; code < kSpace; ++code) EXPECT_FALSE(scene.HandleKey(code)) << code;
  for (std::uint32_t code : {kEscape, kPrior, kHome, 0x29u, 0x2Fu, 0x3Au, kLetterA, kLetterZ, 0x100u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(scene.HandleKey(code)) << code;  // checked below to change nothing
  }
  for (const auto& [code, consumed, levels, suppressed, scale, easing] : rows) {
    SCOPED_TRACE(::testing::Message() << "key 0x" << std::hex << code);
    EXPECT_EQ(scene.HandleKey(code), consumed);
    EXPECT_EQ(scene.levels, levels);
    EXPECT_EQ(scene.mirrorsSuppressed, suppressed);
    EXPECT_NEAR(scene.field->feedbackScale, scale, 1e-5);
    EXPECT_EQ(scene.field->approachSegments, easing);
  }
  const float spin = scene.field->spin;
  EXPECT_TRUE(scene.HandleKey(kUp));
  EXPECT_NEAR(scene.field->spin, spin + 0.00436332f, 1e-7);
  scene.Teardown();
  EXPECT_TRUE(scene.HandleKey(kDown)) << "a scene without a field still answers";
}

TEST_F(FrameClockTest, StartedOncePerClockWithWholeMilliseconds) {
  counter.value = 9000;
  scene.StartClock();
  EXPECT_EQ(scene.clock.origin, 5000);
  TickAt(2500);
  EXPECT_FLOAT_EQ(scene.elapsedSeconds, 2.5f);
  scene.clock.frequency = counter.frequency = 3000;
  counter.value = 5000 + 3 * 1234 + 2;  // 1234.67 ms truncates to 1234
  scene.TickClock();
  EXPECT_FLOAT_EQ(scene.elapsedSeconds, 1.234f);
}

TEST_F(FrameClockTest, FirstMeasurementAtOneSecondRaisesSleepFrom74To84) {
  for (int ms = 0; ms < 1000; ms += 40) TickAt(ms);  // 25 frames below 1.0 s
  TickAt(999);
  EXPECT_TRUE(scene.framesInWindow == 26 && scene.sleepMs == 74) << "no measurement before 1.0 s";
  TickAt(1000);  // exactly 1.0 s measures; that tick counts in neither window
  EXPECT_TRUE(scene.sleepMs == 84 && scene.fps == 26.0f && scene.framesInWindow == 0 && scene.fpsWindowStart == 1.0f);
}

TEST_F(FrameClockTest, CorrectionLagsOneMeasurementHalvesThePeriodDifferenceAndIsClamped) {
  // Sleep before, the last rate, sleep after.
  const std::tuple<int, float, int> rows[] = {
      {300, 24.0f, 300}, {300, 12.0f, 279},  {300, 11.0f, 276}, {300, 1000.0f, 320},
      {300, 24.9f, 300}, {300, 50.0f, 310},  {10, 11.0f, 1},    {990, 1000.0f, 1000},
      {200, 0.9f, 200},  {1500, 0.9f, 1000}, {-4, 0.0f, 1}};  // below one frame a second: no correction, but the clamp
  for (const auto& [sleep, previous, after] : rows) {
    scene.sleepMs = sleep;
    MeasureWith(previous);
    EXPECT_EQ(scene.sleepMs, after) << sleep << " ms after a rate of " << previous;
  }
  scene.framesInWindow = 7;
  MeasureWith(0.9f);
  EXPECT_NEAR(scene.fps, 7.0f / 1.001f, 1e-4);
}

TEST(FrameClock, CounterWithoutFrequencyIsReadAsMilliseconds) {
  EXPECT_TRUE(CounterMilliseconds(10, 3) == 3333 && CounterMilliseconds(-10, 3) == -3333);
  EXPECT_EQ(CounterMilliseconds(7, 0), 7);
  // Forty days of a 3 GHz counter: counts * 1000 would not fit in 64 bits.
  const std::int64_t frequency = 3000000000, seconds = 40 * 86400;
  EXPECT_EQ(CounterMilliseconds(seconds * frequency + frequency / 2, frequency), seconds * 1000 + 500);
}

TEST(SetSegmentAngle, ExampleTable) {
  // Segment count; angle, whole slots, whether a partial wedge closes the ring, its angle.
  const std::tuple<float, float, int, bool, float> rows[] = {
      {10.0f, 36.0f, 10, false, 0.0f},         {9.0f, 40.0f, 9, false, 0.0f},
      {8.0f, 45.0f, 8, false, 0.0f},           {9.5f, 37.894737f, 10, true, 18.947369f},
      {8.5f, 42.352940f, 9, true, 21.176470f}, {9.0005f, 39.997776f, 9, false, 0.0f},
      {8.9999f, 40.000446f, 9, true, 39.996441f}, {9.0009f, 39.996f, 9, false, 0.0f},
      {9.0011f, 39.995113f, 10, true, 0.044f}};
  for (const auto& [segmentCount, angle, slots, partial, partialAngle] : rows) {
    SCOPED_TRACE(segmentCount);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / segmentCount);
    EXPECT_NEAR(s.segmentAngle, angle, 1e-3);
    EXPECT_NEAR(s.segmentCount, segmentCount, 1e-4);
    EXPECT_TRUE(s.wedgeSlots == slots && s.hasPartialWedge == partial);
    EXPECT_NEAR(partial ? s.partialAngle : 0.0f, partialAngle, 5e-3);
  }
}

// The outline; the planes themselves are checked by the ring coverage below.
TEST(SetSegmentAngle, OutlineAndAnglesOutsideTheSectorRangeClamped) {
  KaleidoScene s;
  s.SetSegmentAngle(36.0f);
  EXPECT_NEAR(s.wedgeRimStart.x, 0.0f, 1e-4);
  EXPECT_NEAR(s.wedgeRimStart.y, -4.0f, 1e-5);
  EXPECT_NEAR(s.wedgeRimEnd.x, 2.351f, 1e-3);
  EXPECT_NEAR(s.wedgeRimEnd.y, -3.236f, 1e-3);
  for (float bad : {0.0f, 0.5f, -20.0f, std::nanf("")}) {
    s.SetSegmentAngle(bad);
    EXPECT_TRUE(s.segmentAngle == kMinSegmentAngle && s.wedgeSlots == 360 && !s.hasPartialWedge &&
                std::isfinite(s.wedgePlanes[1][0]) && std::isfinite(s.wedgeRimEnd.x));
  }
  for (float wide : {181.0f, 270.0f, 1e30f, INFINITY}) {
    s.SetSegmentAngle(wide);
    EXPECT_TRUE(s.segmentAngle == 180.0f && s.segmentCount == 2.0f && s.wedgeSlots == 2 && !s.hasPartialWedge);
  }
}

TEST(MirrorCopies, IterationsAndCopies) {
  // Iteration and d(irect) or r(eflected), in order: with 9 slots the last
  // iteration draws only its mirrored copy; a single slot has no direct copy.
  const std::tuple<int, bool, std::string> rows[] = {
      {9, true, "0d0r2d2r4d4r6d6r8r"}, {10, false, "0d"}, {1, false, ""}};
  for (const auto& [slots, mirrored, want] : rows) {
    std::string copies;
    ForEachMirrorCopy(slots, false, mirrored, [&](const MirrorCopy& c) {
      copies += std::to_string(c.iteration) + (c.reflected ? "r" : "d");
    });
    EXPECT_EQ(copies, want) << slots << " slots";
  }
}

TEST(MirrorCopies, TheRingIsCoveredExactlyOnce) {
  for (float count : {10.0f, 9.0f, 8.0f, 9.5f, 8.5f, 9.25f, 8.75f, 3.0f, 2.4f, 2.0f, 17.3f}) {
    SCOPED_TRACE(count);
    KaleidoScene s;
    s.SetSegmentAngle(360.0f / count);
    for (double d = 0.05; d < 360.0; d += 0.1) ASSERT_EQ(CopiesCovering(s, true, d), 1) << "at " << d << " degrees";
  }
}
