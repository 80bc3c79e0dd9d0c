#include <gtest/gtest.h>

#include "scene/KaleidoScene.h"

TEST(LevelViewport, CommonWindowSizes) {
  LevelViewport v = ComputeLevelViewport(1024, 768);
  EXPECT_TRUE(v.drawable);
  EXPECT_EQ(v.width, 682);
  EXPECT_EQ(v.copyX, 85);
  v = ComputeLevelViewport(1920, 1080);
  EXPECT_EQ(v.width, 910);
  EXPECT_EQ(v.copyX, 199);
  v = ComputeLevelViewport(512, 512);
  EXPECT_EQ(v.width, 512);
  EXPECT_EQ(v.copyX, 0);
}

TEST(LevelViewport, NarrowWindowCopiesFromLeftOfTheOrigin) {
  const LevelViewport v = ComputeLevelViewport(400, 800);
  EXPECT_EQ(v.width, 256);
  EXPECT_EQ(v.copyX, -128);  // (256 - 512) / 2 truncates toward zero
  EXPECT_EQ(ComputeLevelViewport(402, 800).copyX, -127);  // -255 / 2
}

TEST(LevelViewport, WindowWithoutAreaIsNotDrawable) {
  EXPECT_FALSE(ComputeLevelViewport(800, 0).drawable);
  EXPECT_FALSE(ComputeLevelViewport(0, 600).drawable);
  EXPECT_FALSE(ComputeLevelViewport(800, -3).drawable);
}

TEST(LevelViewport, VeryWideWindowDoesNotOverflow) {
  const LevelViewport v = ComputeLevelViewport(2000000000, 1);
  EXPECT_TRUE(v.drawable);
  EXPECT_GT(v.width, 0);
  EXPECT_GT(v.copyX, 0);
  EXPECT_EQ(ComputeLevelViewport(4194304, 1024).width, 2097152);
}
