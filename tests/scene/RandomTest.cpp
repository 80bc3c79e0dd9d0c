#include <gtest/gtest.h>

#include "scene/KaleidoScene.h"
#include "scene/Random.h"

TEST(Random, ReproducesTheRuntimeSequenceForSeedOne) {
  SeedRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST(Random, ReseedingRestartsTheSequenceAndStateFollowsTheLcg) {
  SeedRandom(200);
  const int first = NextRandom();
  const std::uint32_t state = RandomState();
  EXPECT_EQ(state, 200u * 214013u + 2531011u);
  EXPECT_EQ(first, static_cast<int>((state >> 16) & 0x7fff));
  SeedRandom(200);
  EXPECT_EQ(NextRandom(), first);
}

TEST(Random, VariateIsTheDrawTimesTheSingleScale) {
  SeedRandom(1);
  EXPECT_FLOAT_EQ(UniformVariate(), 41.0f * 3.0518509e-5f);
  EXPECT_FLOAT_EQ(UniformVariate(), 18467.0f * 3.0518509e-5f);
}

TEST(Random, VariateStaysBelowOneSoIntegerPicksStayInRange) {
  // Over a long stretch every draw value occurs, 32767 among them.
  SeedRandom(7);
  float highest = 0.0f;
  for (int k = 0; k < 300000; ++k) {
    const float u = UniformVariate();
    ASSERT_GE(u, 0.0f);
    ASSERT_LT(u, 1.0f);
    ASSERT_LT(static_cast<int>(u * 78), 78);
    if (u > highest) highest = u;
  }
  EXPECT_GT(highest, 0.9999f);
}

TEST(Random, SeedFromTheCalendarTime) {
  EXPECT_EQ(RandomSeedForTime(0), 0u);
  EXPECT_EQ(RandomSeedForTime(1700000123), 1700000123u % 256u);
  EXPECT_EQ(RandomSeedForTime(-5), static_cast<std::uint32_t>(-5));
  // Past 2038 the signed 32-bit time is negative.
  EXPECT_EQ(RandomSeedForTime(std::int64_t{1} << 31), 0u);
  EXPECT_EQ(RandomSeedForTime((std::int64_t{1} << 31) + 10), static_cast<std::uint32_t>(-246));
  EXPECT_EQ(RandomSeedForTime((std::int64_t{1} << 32) + 300), 300u % 256u);
}
