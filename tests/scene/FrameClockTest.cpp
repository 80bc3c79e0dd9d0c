#include <gtest/gtest.h>

#include "scene/FrameClock.h"
#include "scene/KaleidoScene.h"

namespace {

// A scene whose clock reads a manual counter; no GL and no field needed.
class FrameClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.source = &counter;
    scene.clock = &clock;
    counter.value = 5000;  // the origin need not be 0
    scene.StartClock();
  }
  // Ticks once at `ms` milliseconds after the origin.
  void TickAt(std::int64_t ms) {
    counter.value = 5000 + ms;
    scene.TickClock();
  }
  // One measuring tick just over a second after the last window start, with
  // `previous` as the rate of the last measurement. (The single-precision
  // 0.001 can put a window start a hair above its whole millisecond.)
  void MeasureWith(float previous) {
    scene.fps = previous;
    TickAt(static_cast<std::int64_t>(scene.fpsWindowStart * 1000.0f) + 1001);
    ASSERT_EQ(scene.framesInWindow, 0);
  }

  ManualCounter counter;
  FrameClock clock;
  KaleidoScene scene;
};

}  // namespace

TEST_F(FrameClockTest, StartSetsTheOriginAndTheStartValues) {
  EXPECT_TRUE(clock.started);
  EXPECT_EQ(clock.origin, 5000);
  EXPECT_EQ(clock.frequency, 1000);
  EXPECT_EQ(scene.fps, 50.0f);
  EXPECT_EQ(scene.sleepMs, 74);
  EXPECT_EQ(scene.framesInWindow, 0);
}

TEST_F(FrameClockTest, StartedOncePerClock) {
  counter.value = 9000;
  scene.elapsedSeconds = 3.0f;
  scene.StartClock();
  EXPECT_EQ(clock.origin, 5000);
  EXPECT_EQ(scene.elapsedSeconds, 3.0f);
  TickAt(2500);
  EXPECT_FLOAT_EQ(scene.elapsedSeconds, 2.5f);
}

TEST_F(FrameClockTest, ElapsedTimeHasWholeMilliseconds) {
  counter.frequency = 3000;
  clock.frequency = 3000;
  counter.value = 5000 + 3 * 1234 + 2;  // 1234.67 ms truncates to 1234
  scene.TickClock();
  EXPECT_FLOAT_EQ(scene.elapsedSeconds, 1.234f);
}

TEST_F(FrameClockTest, FirstMeasurementAtOneSecondRaisesSleepFrom74To84) {
  for (int ms = 0; ms < 1000; ms += 40) TickAt(ms);  // 25 frames below 1.0 s
  EXPECT_EQ(scene.framesInWindow, 25);
  EXPECT_EQ(scene.sleepMs, 74);
  TickAt(999);
  EXPECT_EQ(scene.framesInWindow, 26);
  TickAt(1000);  // exactly 1.0 s measures
  EXPECT_EQ(scene.sleepMs, 84);
  EXPECT_FLOAT_EQ(scene.fps, 26.0f);
  EXPECT_EQ(scene.framesInWindow, 0);  // the measuring tick counts in neither window
  EXPECT_FLOAT_EQ(scene.fpsWindowStart, 1.0f);
  TickAt(1040);
  EXPECT_EQ(scene.framesInWindow, 1);
}

TEST_F(FrameClockTest, CorrectionLagsOneMeasurementAndHalvesThePeriodDifference) {
  struct Row {
    float previous;
    int change;
  };
  const Row rows[] = {{24.0f, 0}, {12.0f, -21}, {11.0f, -24}, {1000.0f, 20}, {24.9f, 0}, {50.0f, 10}};
  for (const Row& row : rows) {
    scene.sleepMs = 300;
    MeasureWith(row.previous);
    EXPECT_EQ(scene.sleepMs, 300 + row.change) << "previous rate " << row.previous;
  }
}

TEST_F(FrameClockTest, SleepIsClampedTo1And1000) {
  scene.sleepMs = 10;
  MeasureWith(11.0f);  // 10 - 24
  EXPECT_EQ(scene.sleepMs, 1);
  scene.sleepMs = 990;
  MeasureWith(1000.0f);  // 990 + 20
  EXPECT_EQ(scene.sleepMs, 1000);
}

TEST_F(FrameClockTest, RateBelowOneSkipsTheCorrectionButNotTheClamp) {
  scene.sleepMs = 200;
  scene.framesInWindow = 7;
  MeasureWith(0.9f);
  EXPECT_EQ(scene.sleepMs, 200);
  EXPECT_NEAR(scene.fps, 7.0f / 1.001f, 1e-4);
  EXPECT_EQ(scene.framesInWindow, 0);
  scene.sleepMs = 1500;
  MeasureWith(0.9f);
  EXPECT_EQ(scene.sleepMs, 1000);
  scene.sleepMs = -4;
  MeasureWith(0.0f);
  EXPECT_EQ(scene.sleepMs, 1);
}

TEST(FrameClock, CounterWithoutFrequencyIsReadAsMilliseconds) {
  ManualCounter counter;
  counter.frequency = 0;
  FrameClock clock;
  clock.source = &counter;
  KaleidoScene scene;
  scene.clock = &clock;
  scene.StartClock();
  EXPECT_EQ(clock.frequency, kFallbackCounterFrequency);
  counter.value = 2500;
  scene.TickClock();
  EXPECT_FLOAT_EQ(scene.elapsedSeconds, 2.5f);
}

TEST(FrameClock, MillisecondsTruncateTowardZeroWithoutOverflow) {
  EXPECT_EQ(CounterMilliseconds(1500, 1000), 1500);
  EXPECT_EQ(CounterMilliseconds(10, 3), 3333);
  EXPECT_EQ(CounterMilliseconds(-10, 3), -3333);
  EXPECT_EQ(CounterMilliseconds(7, 0), 7);
  // Forty days of a 3 GHz counter: counts * 1000 would not fit in 64 bits.
  const std::int64_t frequency = 3000000000;
  const std::int64_t seconds = 40 * 86400;
  EXPECT_EQ(CounterMilliseconds(seconds * frequency + frequency / 2, frequency), seconds * 1000 + 500);
}
