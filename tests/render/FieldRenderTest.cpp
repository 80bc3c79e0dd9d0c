#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "field/DiscField.h"
#include "field/Random.h"
#include "images/GL.h"
#include "scene/KaleidoScene.h"
#include "tests/render/RenderHarness.h"

namespace {

constexpr int kTolerance = 6;
const Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};

class FieldRenderTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    scene.Resize(Width(), Height());  // the scene's viewport and projection, and its camera
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 5.5, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    scene.random.Seed(77);
    field = std::make_unique<DiscField>(&scene);
    field->SetUpWithoutImages();
    field->textures = new TextureSet();
    field->textures->atlas.textureName = QuarteredAtlas();
    field->textures->atlas.width = 1024;
    field->textures->atlas.height = 512;
  }

  void TearDown() override {
    field.reset();  // deletes the atlas texture while the context lives
    RenderTest::TearDown();
  }

  // Tile 0 shows red, green, blue and yellow in its top-left, top-right,
  // bottom-left and bottom-right quarters (row 0 is the top).
  static GLuint QuarteredAtlas() {
    std::vector<unsigned char> pixels(1024 * 512 * 4, 0);
    for (int y = 0; y < 78; ++y) {
      for (int x = 0; x < 78; ++x) {
        const Rgb& c = y < 39 ? (x < 39 ? kRed : kGreen) : (x < 39 ? kBlue : kYellow);
        const unsigned char rgba[4] = {static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.g),
                                       static_cast<unsigned char>(c.b), 255};
        std::copy(rgba, rgba + 4, &pixels[(static_cast<std::size_t>(y) * 1024 + x) * 4]);
      }
    }
    return Upload(1024, 512, GL_RGBA, pixels.data());
  }

  static GLuint Upload(int width, int height, GLenum format, const unsigned char* data) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
  }

  // Disc 0 of radius 0.5 showing tile 0; the others parked outside the view.
  void OneDisc(float x, float y, float rotation) {
    for (int i = 0; i < kDiscCount; ++i) field->discs[i].position = Vector3f(100.0f, 100.0f, 0.0f);
    field->uniformTile = true;
    field->sharedTile = 0;
    Disc& d = field->discs[0];
    d.Renew(*field);
    d.position = Vector3f(x, y, 0.0f);
    d.radius = 0.5f;
    d.rotation = rotation;
  }

  // One pass with the discs (or the fed-back `copy`), read back.
  void DrawPass(bool withLogo, int level = 0, GLuint copy = 0) {
    glClear(GL_COLOR_BUFFER_BIT);
    field->BeginPass(withLogo, level);
    copy != 0 ? field->DrawFeedback(copy) : field->DrawDiscs();
    field->EndPass();
    image = gl.ReadBack();
  }

  // The pixel where the world point (x, y, z) lands is near `colour`.
  ::testing::AssertionResult At(float x, float y, float z, Rgb colour, int tolerance = kTolerance) const {
    const double perUnit = Height() / 2.0 / (5.5 - z);
    const auto px = static_cast<int>(Width() / 2.0 + x * perUnit), py = static_cast<int>(Height() / 2.0 + y * perUnit);
    return ColourNear(image, px, py, colour, tolerance);
  }

  KaleidoScene scene;
  std::unique_ptr<DiscField> field;
  RgbImage image;
};

TEST_F(FieldRenderTest, DiscShowsItsTileUprightTurnedByItsRotationAndThePass) {
  // Tile 0's quarters, a quarter of the disc's side from its centre.
  const std::tuple<float, float, Rgb> quarters[] = {
      {-0.25f, 0.25f, kRed}, {0.25f, 0.25f, kGreen}, {-0.25f, -0.25f, kBlue}, {0.25f, -0.25f, kYellow}};
  // Rotation, seconds and level: even levels turn counter-clockwise by a
  // degree per second, odd ones clockwise. 1000030 degrees is 310.
  const std::tuple<float, float, int> rows[] = {{0.0f, 0.0f, 0},       {90.0f, 0.0f, 0}, {30.0f, 0.0f, 0},
                                                {1000030.0f, 0.0f, 0}, {0.0f, 90.0f, 0}, {30.0f, 90.0f, 1}};
  for (const auto& [rotation, seconds, level] : rows) {
    SCOPED_TRACE(::testing::Message() << rotation << " degrees, " << seconds << " s, level " << level);
    OneDisc(1.0f, -2.0f, rotation);
    scene.elapsedSeconds = seconds;
    DrawPass(false, level);
    const auto turn = [](double degrees, float x, float y) {
      const double t = Radians(std::fmod(degrees, 360.0));
      return std::pair<float, float>(static_cast<float>(std::cos(t) * x - std::sin(t) * y),
                                     static_cast<float>(std::sin(t) * x + std::cos(t) * y));
    };
    const double pass = (level & 1) != 0 ? -seconds : seconds;
    const auto centre = turn(pass, 1.0f, -2.0f);
    for (const auto& [dx, dy, colour] : quarters) {
      const auto at = turn(pass + rotation, dx, dy);
      EXPECT_TRUE(At(centre.first + at.first, centre.second + at.second, 1.0f, colour));
    }
    // Beyond the corners of the quad at any rotation.
    for (const auto& o : {std::pair<float, float>{0.85f, 0.0f}, {0.0f, 0.85f}, {-0.85f, 0.0f}, {0.0f, -0.85f}}) {
      EXPECT_TRUE(At(centre.first + o.first, centre.second + o.second, 1.0f, kBlack));
    }
    EXPECT_TRUE(GlStateIsClean());
  }
}

TEST_F(FieldRenderTest, FeedbackQuadSitsOnTheFirstSegmentsBisectorUpright) {
  // Lower half of the copied picture red, upper half blue (row 0 is the bottom).
  std::vector<unsigned char> pixels(512 * 512 * 3, 0);
  for (std::size_t y = 0; y < 512; ++y) {
    for (std::size_t x = 0; x < 512; ++x) pixels[(y * 512 + x) * 3 + (y < 256 ? 0 : 2)] = 255;
  }
  const GLuint copy = Upload(512, 512, GL_RGB, pixels.data());
  scene.segmentAngle = 45.0f;
  // The quad's centre lies 2 units out at 292.5 degrees; its "up" is turned
  // by 22.5 degrees. A negative scale turns it by half a turn, zero hides it.
  const auto a = static_cast<float>(Radians(292.5)), cx = 2.0f * std::cos(a), cy = 2.0f * std::sin(a);
  const auto up = static_cast<float>(Radians(22.5)), upX = -std::sin(up), upY = std::cos(up);
  // Scale; the colours 1.5 units along "up", 1.5 units down, and 2.8 up.
  const std::tuple<float, Rgb, Rgb, Rgb> rows[] = {
      {2.4f, kBlue, kRed, kBlack}, {-2.4f, kRed, kBlue, kBlack}, {0.0f, kBlack, kBlack, kBlack}};
  for (const auto& [scale, up, down, beyond] : rows) {
    SCOPED_TRACE(scale);
    field->feedbackScale = scale;
    DrawPass(false, 1, copy);
    EXPECT_TRUE(At(cx + 1.5f * upX, cy + 1.5f * upY, 1.0f, up));
    EXPECT_TRUE(At(cx - 1.5f * upX, cy - 1.5f * upY, 1.0f, down));
    EXPECT_TRUE(At(cx + 2.8f * upX, cy + 2.8f * upY, 1.0f, beyond));
    EXPECT_TRUE(GlStateIsClean());
  }
  EXPECT_LT(NotBlackFraction(image, 0, 0, Width(), Height()), 0.001) << "a zero scale draws nothing";
  glDeleteTextures(1, &copy);
}

TEST_F(FieldRenderTest, LogoIsDrawnUprightOnlyOnTheFinalPass) {
  // Opaque only in its top-left quarter (row 0 is the top); drawn at alpha
  // 0.15 in the current colour, orange at time 0, 4 x 0.64 units at (5, -5).
  const unsigned char logo[4 * 4] = {255, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  field->textures->logo.textureName = Upload(4, 4, GL_ALPHA, logo);
  OneDisc(100.0f, 100.0f, 0.0f);
  DrawPass(false);
  EXPECT_TRUE(At(4.0f, -4.84f, 0.0f, kBlack));
  DrawPass(true);
  EXPECT_TRUE(At(4.0f, -4.84f, 0.0f, Rgb{38, 19, 0}, 3)) << "top left";
  EXPECT_TRUE(At(6.0f, -4.84f, 0.0f, kBlack)) << "top right";
  EXPECT_TRUE(At(4.0f, -5.16f, 0.0f, kBlack)) << "bottom left";
  EXPECT_TRUE(At(4.0f, -4.5f, 0.0f, kBlack)) << "above the quad";
  scene.elapsedSeconds = 31.4f;  // half a swing later: blue
  DrawPass(true);
  EXPECT_TRUE(At(4.0f, -4.84f, 0.0f, Rgb{0, 19, 38}, 3));
  EXPECT_TRUE(!glIsEnabled(GL_BLEND) && !glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_CULL_FACE) &&
              !glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(GlStateIsClean());
}

}  // namespace
