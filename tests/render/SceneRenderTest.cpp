#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "field/DiscField.h"
#include "field/KeyCodes.h"
#include "host/SceneSet.h"
#include "images/GL.h"
#include "tests/render/RenderHarness.h"
#include "tools/render/SceneRunner.h"

namespace {

constexpr std::uint32_t kSeed = 12345;

struct Frame {
  double seconds = 10.0;
  std::int32_t levels = 1;
  bool mirrors = true;
  float segmentCount = 10.0f;  // held still: the field's easing is switched off
};

class SceneRenderTest : public RenderTest {
 protected:
  // Over 512 pixels high: the clear between levels leaves a strip above them.
  std::int32_t Width() const override { return 800; }
  std::int32_t Height() const override { return 600; }

  void TearDown() override {
    if (started_) runner.Finish();
    RenderTest::TearDown();
  }

  void Start(std::int32_t width, std::int32_t height) {
    runner.Start(width, height, kSeed);
    started_ = true;
  }
  RgbImage Render(const Frame& f) {
    if (!started_) Start(Width(), Height());
    runner.scene.field->approachSegments = false;
    runner.scene.segmentCount = f.segmentCount;
    runner.scene.segmentAngle = 360.0f / f.segmentCount;
    runner.scene.levels = f.levels;
    runner.RenderAtSeconds(f.seconds, f.mirrors);
    return gl.ReadBack();
  }

  // Samples stay inside the arena, well away from the logo's corner.
  double Radius() const { return 0.4 * std::min(Width(), Height()); }

  // The fraction of points along the segment outline with a red pixel next to them.
  double RedOnOutline(const RgbImage& image) const {
    const KaleidoScene& s = runner.scene;
    const Vector3f ends[4] = {s.wedgeApex, s.wedgeRimStart, s.wedgeRimEnd, s.wedgeApex};
    const double ppu = Height() / 2.0 / 5.5;  // pixels per unit at z = 0
    int red = 0, samples = 0;
    for (int e = 0; e < 3; ++e) {
      for (double t = 0.05; t < 0.95; t += 0.01, ++samples) {
        const auto x = static_cast<std::int32_t>(Width() / 2.0 + (ends[e].x + (ends[e + 1].x - ends[e].x) * t) * ppu);
        const auto y = static_cast<std::int32_t>(Height() / 2.0 + (ends[e].y + (ends[e + 1].y - ends[e].y) * t) * ppu);
        bool found = false;
        for (int k = 0; k < 9 && !found; ++k) {
          const Rgb c = PixelAt(image, x + k % 3 - 1, y + k / 3 - 1);
          found = c.r > 200 && c.g < 60 && c.b < 60;
        }
        red += found ? 1 : 0;
      }
    }
    return static_cast<double>(red) / samples;
  }

  static RgbImage TextureImage(std::uint32_t name) {
    GLint size = 0;  // square; a level copy redefines its size
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size);
    RgbImage image{size, size, std::vector<unsigned char>(static_cast<std::size_t>(size) * size * 3)};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
    return image;
  }

  SceneRunner runner;
  bool started_ = false;
};

// Within `halfWidth` degrees of the ray at `degrees`.
std::function<bool(double, double)> NearRay(double degrees, double halfWidth) {
  return [=](double x, double y) {
    return std::fabs(std::remainder(std::atan2(y, x) / Radians(1.0) - degrees, 360.0)) < halfWidth;
  };
}

}  // namespace

// One level at 10 s, mirrored: symmetric across the segment edges, the same
// picture for the same seed. Without mirrors (the setting, or the M key that
// suppresses them as the setting does) the segment outline shows red. More
// levels feed each other through the two textures.
TEST_F(SceneRenderTest, MirroredLevelsAreSymmetricFeedEachOtherAndAreTheSameForTheSameSeed) {
  const RgbImage one = Render(Frame{});
  ASSERT_GT(LitFraction(one, Radius()), 0.2) << "the picture is nearly empty";
  // Level 0, turned by 10 degrees at 10 s, has its edges at 280 + 36k degrees.
  for (int k = 0; k < 5; ++k) {
    EXPECT_LT(AsymmetricFraction(one, 280.0 + 36.0 * k, Radius(), 40, nullptr, 1), 0.03) << "edge " << k;
  }
  EXPECT_GT(AsymmetricFraction(one, 280.0 + 18.0, Radius(), 40, nullptr, 1), 0.3) << "no mirror between edges";
  EXPECT_LT(RedOnOutline(one), 0.03);                           // red photo pixels aside
  EXPECT_GT(RedOnOutline(Render(Frame{10.0, 1, false})), 0.1);  // discs cover parts of it
  runner.scene.HandleKey(keycode::kKeyM);
  EXPECT_GT(RedOnOutline(Render(Frame{})), 0.1);
  runner.scene.HandleKey(keycode::kKeyM);

  // Two levels: level 0 goes into texture 0, which the final level shows.
  const RgbImage two = Render(Frame{10.0, 2});
  const KaleidoScene& s = runner.scene;
  const RgbImage level0 = TextureImage(s.feedbackTextures[0]);
  EXPECT_GT(LitFraction(level0, 200.0), 0.3);
  EXPECT_EQ(NotBlackFraction(TextureImage(s.feedbackTextures[1]), 0, 0, kFeedbackSize, kFeedbackSize, 0), 0.0);
  EXPECT_GT(LitFraction(two, Radius()), 0.3) << "the final level reads texture 0";
  // Three levels: level 1 goes into texture 1; the final level is no longer the discs.
  const RgbImage three = Render(Frame{10.0, 3});
  EXPECT_GT(DifferentFraction(level0, TextureImage(s.feedbackTextures[1]), 200.0, 32, 4), 0.2);
  EXPECT_GT(DifferentFraction(one, three, Radius(), 32), 0.2);
  ASSERT_GT(LitFraction(three, Radius()), 0.1);
  // The last level (2, even) turns counter-clockwise, mirrored, edges a little blurred.
  EXPECT_LT(AsymmetricFraction(three, 270.0 + 10.0, Radius(), 40, nullptr, 2), 0.05);
  EXPECT_GT(AsymmetricFraction(three, 270.0 + 10.0 + 18.0, Radius(), 40, nullptr, 2), 0.2);
  // The clear between levels is scissored to the level: the picture shows above row 512.
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_GT(NotBlackFraction(three, 0, kFeedbackSize + 2, Width(), Height()), 0.03);
  EXPECT_TRUE(GlStateIsClean());

  const auto again = [&](std::uint32_t seed) {
    runner.Finish();
    runner.Start(Width(), Height(), seed);
    return Render(Frame{});
  };
  const RgbImage same = again(kSeed), other = again(kSeed + 1);
  EXPECT_EQ(DifferentFraction(one, same, Width(), 2, 1), 0.0) << "every pixel within 2 levels";
  EXPECT_GT(DifferentFraction(one, other, Width(), 2, 1), 0.0);
}

TEST_F(SceneRenderTest, PartialWedgeSitsWhereTheRingCloses) {
  // 9.5 segments: slot 8 is o = a / 2 wide and meets the copy ending at 270 without a mirror.
  const RgbImage image = Render(Frame{0.0, 1, true, 9.5f});
  const double a = 360.0 / 9.5, o = runner.scene.partialAngle;
  ASSERT_TRUE(runner.scene.hasPartialWedge);
  ASSERT_GT(LitFraction(image, Radius()), 0.2);
  const double band = o / 2.0 - 1.0;
  for (int k = 0; k <= 8; ++k) {
    const double edge = 270.0 + k * a;
    EXPECT_LT(AsymmetricFraction(image, edge, Radius(), 40, NearRay(edge, band), 1), 0.04) << "edge " << k;
  }
  const double seam = 270.0 + 8 * a + o;  // = 270 - a
  EXPECT_GT(AsymmetricFraction(image, seam, Radius(), 40, NearRay(seam, band), 1), 0.15);

  // The partial wedge is the first o degrees of a direct copy: slot 0 turned by 8a.
  int total = 0, bad = 0;
  for (double r = 12.0; r < Radius(); r += 3.0) {
    for (double d = 1.0; d < o - 1.0; d += 1.0, ++total) {
      if (ColourDistance(PixelAtPolar(image, r, 270.0 + d), PixelAtPolar(image, r, 270.0 + d + 8 * a)) > 64) ++bad;
    }
  }
  EXPECT_LT(static_cast<double>(bad) / total, 0.06);
}

TEST_F(SceneRenderTest, WindowWithoutHeightKeepsTimeAndAResizeMovesTheViewport) {
  Start(Width(), 0);
  runner.RenderAtSeconds(2.0, true);
  EXPECT_TRUE(GlStateIsClean());
  EXPECT_FLOAT_EQ(runner.scene.elapsedSeconds, 2.0f);
  // A later resize brings the picture back, in the lower-left quarter.
  runner.scene.Resize(Width() / 2, Height() / 2);
  runner.RenderAtSeconds(2.5, true);
  EXPECT_TRUE(GlStateIsClean());
  const RgbImage image = gl.ReadBack();
  EXPECT_EQ(NotBlackFraction(image, Width() / 2, Height() / 2, Width(), Height()), 0.0);
  EXPECT_GT(NotBlackFraction(image, Width() / 8, Height() / 8, Width() * 3 / 8, Height() * 3 / 8), 0.2);
}

TEST_F(SceneRenderTest, SetUpPlacesTheDiscsFromTheRuntimeSequence) {
  // From a separate reference of the set-up: seed, one draw discarded, tile
  // mode, shared tile, then per disc angle, distance, radius, tile, rotation.
  // Seed, tile mode, shared tile.
  const std::tuple<std::uint32_t, bool, int> fields[] = {
      {0, true, 50}, {1, false, 15}, {127, false, 69}, {255, false, 52}};
  // Seed, disc, x, y, radius, tile, rotation.
  const std::tuple<std::uint32_t, int, float, float, float, int, float> discs[] = {
      {0, 0, 0.9650716185569763f, 0.4869532883167267f, 0.34401077032089233f, 50, 91.90343475341797f},
      {0, 1, 1.270228385925293f, -0.11774323135614395f, 0.573693037033081f, 50, 64.30493927001953f},
      {0, 2, 0.08721161633729935f, -0.10876064747571945f, 0.20343028008937836f, 50, 225.6331024169922f},
      {1, 0, 0.8441717028617859f, -2.1824638843536377f, 0.39194923639297485f, 27, 322.5464782714844f},
      {1, 1, 1.319558024406433f, -2.679079294204712f, 0.26964324712753296f, 66, 255.780517578125f},
      {1, 2, -1.211585283279419f, -0.10328251868486404f, 0.20599383115768433f, 7, 131.20272827148438f},
      {127, 0, -0.5148055553436279f, 0.8422132730484009f, 0.43159884214401245f, 24, 230.3793487548828f},
      {127, 1, -0.16442227363586426f, 0.390516459941864f, 0.4421582818031311f, 2, 302.13323974609375f},
      {127, 2, 1.6540606021881104f, 1.9415764808654785f, 0.4734702706336975f, 16, 76.8187484741211f},
      // The largest draw gives this disc's distance: exactly 4.
      {127, 8, 0.9136075377464294f, -3.8942677974700928f, 0.5704092383384705f, 56, 92.57362365722656f},
      {255, 0, -1.091709852218628f, 1.8548610210418701f, 0.5671132802963257f, 37, 73.89629364013672f},
      {255, 1, 0.1365034282207489f, -0.3333766758441925f, 0.2110477089881897f, 15, 114.92050170898438f},
      {255, 2, 0.17803888022899628f, -1.2909209728240967f, 0.3642384111881256f, 75, 67.2933120727539f},
  };
  for (const auto& [seed, uniform, shared] : fields) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    runner.Start(Width(), Height(), seed);  // the scene's own set-up
    const DiscField& f = *runner.scene.field;
    EXPECT_EQ(f.uniformTile, uniform);
    EXPECT_EQ(f.sharedTile, shared);
    for (int i = 0; i < kDiscCount; ++i) {  // staggered cycles: disc i is i / 60 through its first
      EXPECT_FLOAT_EQ(f.discs[i].phase, static_cast<float>(i) / 60.0f);
      EXPECT_NEAR(f.discs[i].birthTime, runner.scene.elapsedSeconds - 16.0f * static_cast<float>(i) / 60.0f, 1e-5f);
    }
    for (const auto& [discSeed, index, x, y, radius, tile, rotation] : discs) {
      if (discSeed != seed) continue;
      const Disc& d = f.discs[index];
      EXPECT_NEAR(d.position.x, x, 1e-6) << "disc " << index;
      EXPECT_NEAR(d.position.y, y, 1e-6) << "disc " << index;
      EXPECT_TRUE(d.radius == radius && d.tile == tile && d.rotation == rotation) << "disc " << index;
    }
    runner.Finish();
  }
}

TEST_F(SceneRenderTest, EachMonitorsViewShowsItsOwnKaleidoscopeAndThePrimaryTheLoneScenesPicture) {
  const auto crop = [](const RgbImage& image, const SceneView& v) {
    RgbImage out{v.width, v.height, {}};
    for (std::int32_t y = v.y; y < v.y + v.height; ++y) {
      const unsigned char* row = image.pixels.data() + (static_cast<std::size_t>(y) * image.width + v.x) * 3;
      out.pixels.insert(out.pixels.end(), row, row + static_cast<std::size_t>(v.width) * 3);
    }
    return out;
  };
  const auto views = LayOutViews({0, 0, Width(), Height()}, {{{480, 0, 320, 180}, 0}, {{0, 0, 480, 360}, 1}}, true);
  ManualCounter counter;
  SceneSet scenes(SceneRunner::Sources(&counter));
  EXPECT_TRUE(scenes.Start(views, Width(), Height(), kSeed, 1));
  Start(views[0].width, views[0].height);  // the primary alone
  // Each scene steps its own discs (tiles renewed, transitions) for ten
  // seconds; then the second monitor goes away and the primary runs on.
  std::int64_t frame = 0;
  const auto run = [&](std::int64_t until) {
    for (; frame < until; ++frame) {
      counter.value = frame * SceneRunner::kCountsPerFrame;
      scenes.AdvanceAll();
      runner.Step(frame);
    }
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // what no view may leave behind
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    counter.value = frame * SceneRunner::kCountsPerFrame;
    scenes.RenderFrame(kMirrorsBit);
    const RgbImage window = gl.ReadBack();
    runner.Render(frame, true);
    const RgbImage alone = crop(gl.ReadBack(), {0, 0, views[0].width, views[0].height});
    EXPECT_LT(DifferentFraction(crop(window, views[0]), alone, Height(), 4, 1), 0.001) << "frame " << frame;
    return window;
  };
  const RgbImage window = run(240);
  EXPECT_EQ(NotBlackFraction(window, 0, 0, Width(), views[0].y), 0.0) << "below the monitors";
  for (const SceneView& v : views) {  // of other shapes: each needs its own projection
    const double radius = 0.4 * std::min(v.width, v.height);
    EXPECT_GT(LitFraction(crop(window, v), radius), 0.2) << v.width;
    EXPECT_LT(AsymmetricFraction(crop(window, v), 280.0, radius, 40, nullptr, 1), 0.03) << v.width;
  }
  scenes.Layout({views[0]}, Width(), Height());
  run(480);
  scenes.Teardown();
}

TEST_F(SceneRenderTest, AfterAPauseEachMeasuredRateIsAnsweredOnce) {
  Start(Width(), Height());
  SceneRenderer renderer(runner.scene);
  // Frames every `step` seconds from `t` up to `until`; the delay after the last.
  double t = 0.0;
  const auto frames = [&](double step, double until) {
    const double from = t;
    for (int k = 1; t < until; t = from + step * k++) {
      runner.counter.SetSeconds(t);
      renderer.RenderFrame(kMirrorsBit);
    }
    return renderer.SleepMs();
  };
  EXPECT_EQ(frames(1.0 / 11, 1.5), 84);  // 11 frames a second measured at 1 s
  renderer.Resume();                     // after 30 seconds with the display off
  t += 30.0;
  EXPECT_EQ(frames(1.0 / 24, 32.0), 84) << "the frame after the pause measures nothing";
  EXPECT_EQ(frames(1.0 / 24, 33.0), 60) << "the rate of 11 answered once";
  EXPECT_NEAR(frames(1.0 / 24, 34.0), 60, 1) << "then the rate of about 24 measured after the pause";
}

// Other shapes and sizes of window, with one level and with three.
class WindowShapeRenderTest : public SceneRenderTest, public ::testing::WithParamInterface<std::pair<int, int>> {
 protected:
  std::int32_t Width() const override { return GetParam().first; }
  std::int32_t Height() const override { return GetParam().second; }
};

TEST_P(WindowShapeRenderTest, OneAndThreeLevelsShowASymmetricLitPictureAndTallerThanWideFitsTheWidth) {
  const RgbImage image = Render(Frame{});
  EXPECT_GT(LitFraction(image, Radius()), 0.3);
  EXPECT_LT(AsymmetricFraction(image, 280.0, Radius(), 40, nullptr, 1), 0.03);
  // Taller than wide, with levels of full size: the whole picture fits the width,
  // the logo stays in the view.
  if (Height() > Width() && Width() >= kFeedbackSize) {
    EXPECT_EQ(NotBlackFraction(image, 0, 0, 1, Height(), 8), 0.0) << "left side";
    EXPECT_EQ(NotBlackFraction(image, Width() - 1, 0, Width(), Height(), 8), 0.0) << "right side";
    // Below the arena (4.6 units out, a unit being Width() / 11 pixels) only
    // the logo is drawn, right of the centre and inside the window.
    const auto below = static_cast<std::int32_t>(Height() / 2 - 4.7 * Width() / 11.0);
    EXPECT_GT(NotBlackFraction(image, Width() / 2, 0, Width(), below, 8), 0.02);
    EXPECT_EQ(NotBlackFraction(image, 0, 0, Width() / 2, below, 8), 0.0);
  }
  const RgbImage three = Render(Frame{10.0, 3});
  EXPECT_GT(LitFraction(three, Radius()), 0.3);
  EXPECT_LT(AsymmetricFraction(three, 270.0 + 10.0, Radius(), 40, nullptr, 2), 0.05);
  // A level's copy holds the whole folded square, out to both sides.
  const RgbImage copy = TextureImage(runner.scene.feedbackTextures[1]);
  const std::int32_t n = copy.width;
  for (std::int32_t x : {n / 8, n * 3 / 4}) EXPECT_GT(NotBlackFraction(copy, x, n * 3 / 8, x + n / 8, n * 5 / 8), 0.4);
}

INSTANTIATE_TEST_SUITE_P(Shapes, WindowShapeRenderTest,
                         ::testing::Values(std::pair{320, 240}, std::pair{300, 600}, std::pair{768, 1024}));

// Windows at the extremes of size draw without GL errors; a strip shows the
// arena in its middle.
class ExtremeWindowRenderTest : public WindowShapeRenderTest {};

TEST_P(ExtremeWindowRenderTest, DrawsWithoutGlErrors) {
  Start(Width(), Height());
  for (int frame = 0; frame < 48; ++frame) {
    if (frame == 12) runner.scene.levels = 4;
    runner.scene.mirrorsSuppressed = frame >= 30;
    runner.Render(frame, true);
    ASSERT_TRUE(GlStateIsClean()) << "frame " << frame;
  }
  runner.scene.mirrorsSuppressed = false;  // one level, drawn at the window's size
  runner.scene.levels = 1;
  runner.Render(48, true);
  const RgbImage picture = gl.ReadBack();
  if (Width() < 1000) return;
  EXPECT_GT(NotBlackFraction(picture, Width() / 2 - 24, 0, Width() / 2 + 24, Height()), 0.1);
  EXPECT_LT(NotBlackFraction(picture, 0, 0, 2000, Height()), 0.01) << "the arena belongs in the middle";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExtremeWindowRenderTest, ::testing::Values(std::pair{1, 1}, std::pair{16384, 64}));
