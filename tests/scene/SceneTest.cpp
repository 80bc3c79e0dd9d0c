#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "field/DiscField.h"
#include "field/KeyCodes.h"
#include "field/Random.h"
#include "scene/KaleidoScene.h"

using namespace keycode;

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
