// Set-up, a few hundred frames with every key, and teardown, several times on
// one GL context: the GL state stays clean after every frame, the textures go
// with the scene and the heap does not grow (LeakSanitizer reports the rest).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "field/DiscField.h"
#include "field/KeyCodes.h"
#include "images/GL.h"
#include "tests/render/RenderHarness.h"
#include "tools/render/SceneRunner.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
static std::size_t HeapInUse() { return __sanitizer_get_current_allocated_bytes(); }
#else
#include <malloc.h>
static std::size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

namespace {

using namespace keycode;

// Every key that steers the picture, and Q, which the scene leaves alone.
const std::uint32_t kKeys[] = {kSpace, kLeft, kUp,   kRight, kDown, '0', '1', '2', '3', '4', '5', '6',
                               '7',    '8',   '9',   kKeyM,  kKeyS, kKeyG, kKeyM, kKeyG, '1', 'Q'};
constexpr int kFramesPerCycle = 300, kCycles = 6, kWarmUpCycles = 3;

class LifecycleTest : public RenderTest {
 protected:
  std::int32_t Width() const override { return 320; }
  std::int32_t Height() const override { return 200; }

  void SetUp() override {
    // The software rasteriser's threads would allocate at their own pace.
    setenv("LP_NUM_THREADS", "0", 1);
    RenderTest::SetUp();
  }

  void RunCycle(int cycle) {
    auto runner = std::make_unique<SceneRunner>();
    runner->Start(Width(), Height(), 1000u);
    ASSERT_TRUE(GlStateIsClean()) << "after set-up, cycle " << cycle;
    KaleidoScene& scene = runner->scene;
    ASSERT_TRUE(scene.field != nullptr && scene.field->textures != nullptr);
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
    // The picture still draws: one level, mirrored.
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
  std::size_t settled = 0;  // after the runs that warm the driver's caches
  for (int cycle = 0; cycle < kCycles && !HasFatalFailure(); ++cycle) {
    if (cycle == kWarmUpCycles) settled = HeapInUse();
    RunCycle(cycle);
  }
  if (HasFatalFailure()) return;
  // A run decodes about 3 MB of images; what it kept would show here.
  EXPECT_LE(HeapInUse(), settled + 64 * 1024) << "heap in use grew from " << settled << " bytes";
}

}  // namespace
