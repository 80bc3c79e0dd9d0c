#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "field/KeyCodes.h"
#include "host/web/PageOptions.h"
#include "host/web/PhotoSteps.h"
#include "images/PhotoTiles.h"
#include "tools/genimages/JpegWriter.h"

namespace {

TEST(WebPage, QueryOptionsTakeWhatIsInRangeAndIgnoreTheRest) {
  const PageOptions still = ParsePageQuery("?seed=1&time=5&still&levels=3&mirrors=0");
  EXPECT_TRUE(still.seedGiven && still.still && !still.saver);
  EXPECT_EQ(still.seed, 1u);
  EXPECT_DOUBLE_EQ(still.time, 5.0);
  EXPECT_EQ(still.levels, 3);
  EXPECT_EQ(still.mirrors, 0);
  const PageOptions bad = ParsePageQuery("saver&seed=-1&levels=11&mirrors=2&time=x&seed=&levels=3x&unknown=1&&");
  EXPECT_TRUE(bad.saver);
  EXPECT_FALSE(bad.seedGiven);
  EXPECT_EQ(bad.levels, 0);
  EXPECT_EQ(bad.mirrors, -1);
  EXPECT_DOUBLE_EQ(bad.time, 0.0);
  EXPECT_EQ(ParsePageQuery("").levels, 0);
}

TEST(WebPage, KeysAreTheSceneCodes) {
  EXPECT_EQ(KeyCodeForDomCode("Digit0"), keycode::kDigit0);
  EXPECT_EQ(KeyCodeForDomCode("Digit9"), keycode::kDigit9);
  EXPECT_EQ(KeyCodeForDomCode("KeyM"), keycode::kKeyM);
  EXPECT_EQ(KeyCodeForDomCode("ArrowLeft"), keycode::kLeft);
  EXPECT_EQ(KeyCodeForDomCode("ArrowDown"), keycode::kDown);
  EXPECT_EQ(KeyCodeForDomCode("Space"), keycode::kSpace);
  for (const char* none : {"", "Digit", "Digit10", "Keym", "KeyMM", "Numpad5", "F13"}) {
    EXPECT_EQ(KeyCodeForDomCode(none), 0u) << none;
  }
}

struct FakeFrames : FrameRenderer {
  std::vector<std::string> log;
  std::int32_t delay = 40;
  void RenderFrame(std::uint32_t flags) override { log.push_back("frame " + std::to_string(flags)); }
  std::int32_t SleepMs() override { return delay; }
  void Resume() override { log.push_back("resume"); }
};

TEST(WebPage, FramesWaitOutTheSceneDelayAndNoneIsDrawnWhileHidden) {
  FakeFrames renderer;
  PacedFrames frames(renderer, 7);
  EXPECT_TRUE(frames.Tick(1000.0, true));
  EXPECT_FALSE(frames.Tick(1017.0, true));
  EXPECT_FALSE(frames.Tick(1039.0, true));
  EXPECT_TRUE(frames.Tick(1040.0, true));
  renderer.delay = 10;  // a delay changed by a frame counts after it
  EXPECT_TRUE(frames.Tick(1090.0, true));
  EXPECT_FALSE(frames.Tick(1200.0, false));
  EXPECT_FALSE(frames.Tick(1300.0, false));
  EXPECT_TRUE(frames.Tick(5000.0, true));
  EXPECT_EQ(renderer.log, (std::vector<std::string>{"frame 7", "frame 7", "frame 7", "resume", "frame 7"}));
}

TEST(WebPage, PhotoStepsMakeTheAtlasOnePhotoAtATimeAndSkipWhatIsBroken) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "zirbel-web-photos";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::vector<unsigned char> pixels(96 * 64 * 3, 0);
  for (std::size_t i = 1; i < pixels.size(); i += 3) pixels[i] = 255;
  ASSERT_TRUE(gen::WriteFile((folder / "a.png").string(), gen::MakePng(96, 64, pixels, gen::PngOptions())));
  ASSERT_TRUE(gen::WriteFile((folder / "b.jpg").string(), {0xFF, 0xD8, 0xFF, 0xE0, 1, 2}));

  char text[512] = {};
  std::FILE* messages = fmemopen(text, sizeof text - 1, "w");
  PhotoSteps steps(folder.string(), messages);
  std::vector<unsigned char> atlas;
  int taken = 0;
  while (!steps.Done() && taken < 10) {
    ++taken;
    if (steps.Step(&atlas)) break;
  }
  std::fclose(messages);
  EXPECT_EQ(taken, 4);  // the walk, two photos, the atlas
  EXPECT_TRUE(steps.Done());
  EXPECT_FALSE(steps.Step(&atlas));
  ASSERT_EQ(atlas.size(), static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4);
  // The first tile's centre is the photo's green.
  const std::size_t centre = (static_cast<std::size_t>(photo::kTilePixels / 2) * photo::kAtlasWidth +
                              photo::kTilePixels / 2) * 4;
  EXPECT_LT(atlas[centre], 40);
  EXPECT_GT(atlas[centre + 1], 200);
  EXPECT_NE(std::string(text).find("b.jpg: skipped"), std::string::npos) << text;

  PhotoSteps none((folder / "missing").string(), nullptr);
  while (!none.Done()) EXPECT_FALSE(none.Step(&atlas));
  std::filesystem::remove_all(folder);
}

}  // namespace
