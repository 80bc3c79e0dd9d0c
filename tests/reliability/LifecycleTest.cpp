// Set-up, a few hundred frames with every key, and teardown, several times in
// one process and on one GL context, as a preview or a test harness may do.
// After every frame the GL state is as the frame found it; after every
// teardown the scene's textures are gone, and the heap does not grow from one
// cycle to the next. (LeakSanitizer, in the sanitizer build, reports anything
// left over at exit.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "field/DiscField.h"
#include "images/GL.h"
#include "scene/KeyCodes.h"
#include "tests/render/RenderHarness.h"
#include "tools/render/SceneRunner.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator keeps the count; its header does not come with
// every compiler.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

using namespace keycode;

// Every key that steers the picture, and Q, which the scene leaves alone.
const std::uint32_t kKeys[] = {kSpace,      kLeft,       kUp,         kRight,      kDown,       kDigit0,
                               kDigit0 + 1, kDigit0 + 2, kDigit0 + 3, kDigit0 + 4, kDigit0 + 5, kDigit0 + 6,
                               kDigit0 + 7, kDigit0 + 8, kDigit9,     kKeyM,       kKeyS,       kKeyG,
                               kKeyM,       kKeyG,       kDigit0 + 1, 'Q'};
constexpr int kFramesPerCycle = 300;
constexpr int kCycles = 6;
constexpr int kWarmUpCycles = 3;

class LifecycleTest : public RenderTest {
 protected:
  std::int32_t Width() const override { return 320; }
  std::int32_t Height() const override { return 200; }

  void SetUp() override {
    // The software rasteriser's worker threads allocate at their own pace,
    // which hides a run's growth; without them the heap settles to the byte.
    setenv("LP_NUM_THREADS", "0", 1);
    RenderTest::SetUp();
  }

  // One run of the picture; stops with a fatal failure at the first frame
  // that leaves the GL state changed.
  void RunCycle(int cycle) {
    auto runner = std::make_unique<SceneRunner>();
    runner->Start(Width(), Height(), 1000u);
    ASSERT_TRUE(GlStateIsClean()) << "after set-up, cycle " << cycle;
    KaleidoScene& scene = runner->scene;
    ASSERT_NE(scene.field, nullptr);
    ASSERT_NE(scene.field->textures, nullptr);
    std::vector<GLuint> names = {scene.field->textures->atlas.textureName, scene.field->textures->clouds.textureName,
                                 scene.field->textures->logo.textureName, scene.feedbackTextures[0],
                                 scene.feedbackTextures[1]};
    for (GLuint name : names) ASSERT_TRUE(glIsTexture(name)) << "texture " << name << ", cycle " << cycle;

    std::size_t key = 0;
    for (int frame = 0; frame < kFramesPerCycle; ++frame) {
      if (frame % 7 == 3) scene.HandleKey(kKeys[key++ % (sizeof kKeys / sizeof kKeys[0])]);
      runner->Render(frame, frame % 50 < 40);
      ASSERT_TRUE(GlStateIsClean()) << "frame " << frame << ", cycle " << cycle << ", levels " << scene.levels;
    }
    // After all that the picture still draws: one level, mirrored.
    if (scene.mirrorsSuppressed) scene.HandleKey(kKeyM);
    scene.HandleKey(kDigit0);
    runner->Render(kFramesPerCycle, true);
    EXPECT_GT(NotBlackFraction(gl.ReadBack(), 0, 0, Width(), Height()), 0.05) << "cycle " << cycle;

    runner->Finish();
    EXPECT_EQ(scene.field, nullptr);
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " kept, cycle " << cycle;
    ASSERT_TRUE(GlStateIsClean()) << "after teardown, cycle " << cycle;
  }
};

TEST_F(LifecycleTest, RepeatedRunsLeaveNoTexturesNoGrowthAndACleanGlState) {
  // The first runs warm the GL driver's caches.
  for (int cycle = 0; cycle < kWarmUpCycles; ++cycle) {
    RunCycle(cycle);
    if (HasFatalFailure()) return;
  }
  const std::size_t settled = HeapInUse();
  for (int cycle = kWarmUpCycles; cycle < kCycles; ++cycle) {
    RunCycle(cycle);
    if (HasFatalFailure()) return;
  }
  const std::size_t after = HeapInUse();
  // A run decodes about 3 MB of images and allocates its field and scene;
  // what a run kept would show here.
  constexpr std::size_t kSlack = 64 * 1024;
  EXPECT_LE(after, settled + kSlack) << "heap in use grew from " << settled << " to " << after << " bytes over "
                                     << kCycles - kWarmUpCycles << " runs";
}

// Windows at the extremes of size: every frame leaves the GL state clean and
// raises no GL error (a feedback copy larger than the window, a viewport
// beyond the limits), and the wide one still shows the arena at its centre.
class ExtremeWindowTest : public RenderTest {
 protected:
  void RunFrames() {
    SceneRunner runner;
    runner.Start(Width(), Height(), 99u);
    for (int frame = 0; frame < 48; ++frame) {
      if (frame == 12) runner.scene.levels = 4;
      if (frame == 30) runner.scene.mirrorsSuppressed = true;
      runner.Render(frame, true);
      ASSERT_TRUE(GlStateIsClean()) << Width() << " x " << Height() << ", frame " << frame;
    }
    // The last frame with one level and mirrors on: fed-back levels are drawn
    // 512 pixels high, which a window this low cannot show.
    runner.scene.mirrorsSuppressed = false;
    runner.scene.levels = 1;
    runner.Render(48, true);
    picture = gl.ReadBack();
    runner.Finish();
  }
  RgbImage picture;
};

class TinyWindowTest : public ExtremeWindowTest {
 protected:
  std::int32_t Width() const override { return 1; }
  std::int32_t Height() const override { return 1; }
};

class WideWindowTest : public ExtremeWindowTest {
 protected:
  std::int32_t Width() const override { return 16384; }
  std::int32_t Height() const override { return 64; }
};

TEST_F(TinyWindowTest, OnePixelDrawsWithoutGlErrors) { RunFrames(); }

TEST_F(WideWindowTest, AStripDrawsWithoutGlErrorsAndShowsTheArena) {
  RunFrames();
  if (HasFatalFailure()) return;
  EXPECT_GT(NotBlackFraction(picture, Width() / 2 - 24, 0, Width() / 2 + 24, Height()), 0.1);
  EXPECT_LT(NotBlackFraction(picture, 0, 0, 2000, Height()), 0.01) << "the arena belongs in the middle";
}

}  // namespace
