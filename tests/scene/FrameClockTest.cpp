#include <gtest/gtest.h>

#include <tuple>

#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"

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

}  // namespace

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
