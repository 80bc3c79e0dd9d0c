// Frames of the whole scene, checked by probes: the set-up, mirror symmetry,
// the partial wedge, the fed-back levels, the outline and the GL state.
#include <algorithm>
#include <cmath>

#include "field/DiscField.h"
#include "images/GL.h"
#include "scene/KeyCodes.h"
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
  // Over 512 pixels high, so that the fed-back levels lie inside the window
  // and the clear between levels leaves a strip above them.
  std::int32_t Width() const override { return 800; }
  std::int32_t Height() const override { return 600; }

  void TearDown() override {
    if (started_) runner.Finish();
    RenderTest::TearDown();
  }

  RgbImage Render(const Frame& f) {
    if (!started_) {
      runner.Start(Width(), Height(), kSeed);
      started_ = true;
    }
    runner.scene.field->approachSegments = false;
    runner.scene.segmentCount = f.segmentCount;
    runner.scene.segmentAngle = 360.0f / f.segmentCount;
    runner.scene.levels = f.levels;
    runner.RenderAtSeconds(f.seconds, f.mirrors);
    return gl.ReadBack();
  }

  // Pixels per world unit in the plane z = 0 (90-degree vertical view from 5.5).
  double PixelsPerUnit() const { return Height() / 2.0 / 5.5; }
  // Samples stay inside the arena, well away from the logo's corner.
  double Radius() const { return 0.4 * Height(); }

  // The texture's level 0 as RGB.
  static RgbImage TextureImage(std::uint32_t name) {
    RgbImage image;
    image.width = image.height = kFeedbackSize;
    image.pixels.resize(static_cast<std::size_t>(kFeedbackSize) * kFeedbackSize * 3);
    glBindTexture(GL_TEXTURE_2D, name);
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
    double d = std::atan2(y, x) * 180.0 / 3.14159265358979323846 - degrees;
    d = std::remainder(d, 360.0);
    return std::fabs(d) < halfWidth;
  };
}

}  // namespace

TEST_F(SceneRenderTest, MirroredFrameIsSymmetricAcrossTheSegmentEdges) {
  const Frame f{10.0, 1, true, 10.0f};
  const RgbImage image = Render(f);
  ASSERT_GT(LitFraction(image, Radius()), 0.2) << "the picture is nearly empty";
  // Level 0 turns counter-clockwise by one degree per second; its edges lie at
  // 270 + k * 36 degrees in the turned frame.
  for (int k = 0; k < 5; ++k) {
    const double edge = 270.0 + f.seconds + 36.0 * k;
    EXPECT_LT(AsymmetricFraction(image, edge, Radius(), 40, nullptr, 1), 0.03) << "edge at " << edge;
  }
  // Halfway between two edges there is no mirror.
  EXPECT_GT(AsymmetricFraction(image, 270.0 + f.seconds + 18.0, Radius(), 40, nullptr, 1), 0.3);
}

TEST_F(SceneRenderTest, PartialWedgeSitsWhereTheRingCloses) {
  // 9.5 segments: ten slots, the last one (slot 8) only o = a / 2 wide; it meets
  // the copy that ends at 270 degrees without a mirror.
  const Frame f{0.0, 1, true, 9.5f};
  const RgbImage image = Render(f);
  const double a = 360.0 / 9.5;
  const double o = runner.scene.partialAngle;
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
  const double turn = 8 * a * 3.14159265358979323846 / 180.0;
  const double cx = Width() / 2.0, cy = Height() / 2.0;
  int total = 0, bad = 0;
  for (double r = 12.0; r < Radius(); r += 3.0) {
    for (double d = 1.0; d < o - 1.0; d += 1.0) {
      const double t0 = (270.0 + d) * 3.14159265358979323846 / 180.0;
      const auto x0 = static_cast<std::int32_t>(cx + r * std::cos(t0));
      const auto y0 = static_cast<std::int32_t>(cy + r * std::sin(t0));
      const auto x1 = static_cast<std::int32_t>(cx + r * std::cos(t0 + turn));
      const auto y1 = static_cast<std::int32_t>(cy + r * std::sin(t0 + turn));
      ++total;
      if (ColourDistance(PixelAt(image, x0, y0), PixelAt(image, x1, y1)) > 64) ++bad;
    }
  }
  EXPECT_LT(static_cast<double>(bad) / total, 0.06);
}

TEST_F(SceneRenderTest, WithoutMirrorsTheSegmentOutlineIsRed) {
  auto redOnOutline = [&](const RgbImage& image) {
    const KaleidoScene& s = runner.scene;
    const double ppu = PixelsPerUnit();
    const Vector3f ends[3] = {s.wedgeApex, s.wedgeRimStart, s.wedgeRimEnd};
    int red = 0, samples = 0;
    for (int e = 0; e < 3; ++e) {
      const Vector3f& p = ends[e];
      const Vector3f& q = ends[(e + 1) % 3];
      for (double t = 0.05; t < 0.95; t += 0.01) {
        const double wx = p.x + (q.x - p.x) * t, wy = p.y + (q.y - p.y) * t;
        const auto x = static_cast<std::int32_t>(Width() / 2.0 + wx * ppu);
        const auto y = static_cast<std::int32_t>(Height() / 2.0 + wy * ppu);
        ++samples;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const Rgb c = PixelAt(image, x + dx, y + dy);
            if (c.r > 200 && c.g < 60 && c.b < 60) {
              ++red;
              dx = dy = 2;
            }
          }
        }
      }
    }
    return static_cast<double>(red) / samples;
  };
  const double off = redOnOutline(Render(Frame{10.0, 1, false, 10.0f}));
  const double on = redOnOutline(Render(Frame{10.0, 1, true, 10.0f}));
  EXPECT_GT(off, 0.1);  // discs cover parts of it
  EXPECT_LT(on, 0.03);  // red photo pixels aside
  // Suppressing the mirrors with the key has the same effect as the setting.
  runner.scene.HandleKey(keycode::kKeyM);
  EXPECT_GT(redOnOutline(Render(Frame{10.0, 1, true, 10.0f})), 0.1);
}

TEST_F(SceneRenderTest, FramesLeaveTheGlStateAsTheyFoundIt) {
  const Frame frames[] = {{0.0, 1, true, 10.0f}, {3.0, 3, true, 9.5f},  {5.0, 10, true, 8.5f},
                          {7.0, 1, false, 10.0f}, {9.0, 4, false, 9.0f}, {11.0, 2, true, 8.0f}};
  for (const Frame& f : frames) {
    Render(f);
    EXPECT_TRUE(GlStateIsClean()) << "levels " << f.levels << ", count " << f.segmentCount;
  }
}

TEST_F(SceneRenderTest, SameSeedAndTimeGiveTheSamePicture) {
  const RgbImage a = Render(Frame{});
  runner.Finish();
  runner.Start(Width(), Height(), kSeed);
  const RgbImage b = Render(Frame{});
  runner.Finish();
  runner.Start(Width(), Height(), kSeed + 1);
  const RgbImage c = Render(Frame{});
  const auto same = [](const RgbImage& x, const RgbImage& y) {
    const auto near = [](int p, int q) { return std::abs(p - q) <= 2; };
    return std::equal(x.pixels.begin(), x.pixels.end(), y.pixels.begin(), near);
  };
  ASSERT_GT(LitFraction(a, Radius()), 0.2);
  EXPECT_TRUE(same(a, b));
  EXPECT_FALSE(same(a, c));
}

TEST_F(SceneRenderTest, WindowWithoutHeightKeepsTimeAndAResizeMovesTheViewport) {
  runner.Start(Width(), 0, kSeed);
  started_ = true;
  runner.RenderAtSeconds(2.0, true);
  EXPECT_TRUE(GlStateIsClean());
  EXPECT_FLOAT_EQ(runner.scene.elapsedSeconds, 2.0f);
  // A later resize brings the picture back, in the lower-left quarter.
  runner.scene.Resize(Width() / 2, Height() / 2);
  runner.RenderAtSeconds(2.5, true);
  EXPECT_TRUE(GlStateIsClean());
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], Width() / 2);
  EXPECT_EQ(viewport[3], Height() / 2);
  const RgbImage image = gl.ReadBack();
  EXPECT_EQ(NotBlackFraction(image, Width() / 2, Height() / 2, Width(), Height()), 0.0);
  EXPECT_GT(NotBlackFraction(image, Width() / 8, Height() / 8, Width() * 3 / 8, Height() * 3 / 8), 0.2);
}

TEST_F(SceneRenderTest, SetUpPlacesTheDiscsFromTheRuntimeSequence) {
  // Computed once by a separate reference of the set-up: seed, one draw
  // discarded, the tile mode, the shared tile, then per disc angle, distance,
  // radius, tile (when not shared) and rotation.
  const struct {
    std::uint32_t seed;
    bool uniform;
    int shared;
  } fields[] = {{0, true, 50}, {1, false, 15}, {127, false, 69}, {255, false, 52}};
  const struct {
    std::uint32_t seed;
    int index;
    float x, y, radius;
    int tile;
    float rotation;
  } discs[] = {
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
  for (const auto& want : fields) {
    SCOPED_TRACE(::testing::Message() << "seed " << want.seed);
    runner.Start(Width(), Height(), want.seed);  // the scene's own set-up
    const DiscField& f = *runner.scene.field;
    EXPECT_EQ(f.uniformTile, want.uniform);
    EXPECT_EQ(f.sharedTile, want.shared);
    for (const auto& disc : discs) {
      if (disc.seed != want.seed) continue;
      const Disc& d = f.discs[disc.index];
      EXPECT_NEAR(d.position.x, disc.x, 1e-6) << "disc " << disc.index;
      EXPECT_NEAR(d.position.y, disc.y, 1e-6) << "disc " << disc.index;
      EXPECT_EQ(d.radius, disc.radius) << "disc " << disc.index;
      EXPECT_EQ(d.tile, disc.tile) << "disc " << disc.index;
      EXPECT_EQ(d.rotation, disc.rotation) << "disc " << disc.index;
    }
    runner.Finish();
  }
}

TEST_F(SceneRenderTest, LevelsWriteTextureLAnd1AndReadTheOneBefore) {
  // Two levels: level 0 goes into texture 0, and the final level shows it;
  // texture 1 keeps its first contents.
  const RgbImage one = Render(Frame{10.0, 1, true, 10.0f});
  const RgbImage two = Render(Frame{10.0, 2, true, 10.0f});
  const KaleidoScene& s = runner.scene;
  const RgbImage level0 = TextureImage(s.feedbackTextures[0]);
  EXPECT_GT(LitFraction(level0, 200.0), 0.3);
  EXPECT_EQ(NotBlackFraction(TextureImage(s.feedbackTextures[1]), 0, 0, kFeedbackSize, kFeedbackSize, 0), 0.0);
  EXPECT_GT(LitFraction(two, Radius()), 0.3) << "the final level reads texture 0";
  // Three levels: level 1 goes into texture 1, a picture of its own, and the
  // final level shows a picture other than the discs.
  const RgbImage three = Render(Frame{10.0, 3, true, 10.0f});
  EXPECT_GT(DifferentFraction(level0, TextureImage(s.feedbackTextures[1]), 200.0, 32, 4), 0.2);
  EXPECT_GT(DifferentFraction(one, three, Radius(), 32), 0.2);
  ASSERT_GT(LitFraction(three, Radius()), 0.1);
  // The last level (level 2, even) turns counter-clockwise and is mirrored
  // too; the filtered copies blur its edges a little.
  EXPECT_LT(AsymmetricFraction(three, 270.0 + 10.0, Radius(), 40, nullptr, 2), 0.05);
  EXPECT_GT(AsymmetricFraction(three, 270.0 + 10.0 + 18.0, Radius(), 40, nullptr, 2), 0.2);
  // The clear between levels is cut to the level's viewport and switched off
  // again: the final level also shows above row 512.
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_GT(NotBlackFraction(three, 0, kFeedbackSize + 2, Width(), Height()), 0.03);
  EXPECT_TRUE(GlStateIsClean());
}
