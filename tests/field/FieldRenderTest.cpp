// The field's drawing on a real GL context, checked by probes: where a disc
// lands and which way up its tile shows, the pass rotation, the fed-back
// quad, the logo and the state a pass leaves behind.
#include <cmath>
#include <vector>

#include "field/DiscField.h"
#include "images/GL.h"
#include "scene/KaleidoScene.h"
#include "scene/Random.h"
#include "tests/render/RenderHarness.h"

namespace {

constexpr int kTolerance = 6;
const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};
const Rgb kYellow{255, 255, 0};

class FieldRenderTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    glViewport(0, 0, Width(), Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, static_cast<double>(Width()) / Height(), 1.0, 20.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 0.0, 5.5, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    SeedRandom(77);
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

  // An atlas whose tile 0 shows red, green, blue and yellow in its top-left,
  // top-right, bottom-left and bottom-right quarters (row 0 is the top).
  static GLuint QuarteredAtlas() {
    std::vector<unsigned char> pixels(1024 * 512 * 4, 0);
    for (int y = 0; y < 78; ++y) {
      for (int x = 0; x < 78; ++x) {
        const Rgb& c = y < 39 ? (x < 39 ? kRed : kGreen) : (x < 39 ? kBlue : kYellow);
        unsigned char* p = &pixels[(static_cast<std::size_t>(y) * 1024 + x) * 4];
        p[0] = static_cast<unsigned char>(c.r);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.b);
        p[3] = 255;
      }
    }
    return Upload(1024, 512, GL_RGBA, pixels.data());
  }

  static GLuint Upload(int width, int height, GLenum format, const unsigned char* data) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, format == GL_RGBA ? 4 : 3, width, height, 0, format, GL_UNSIGNED_BYTE, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
  }

  // Only disc 0 is drawn where it can be seen: the others are parked far
  // outside the view.
  void OneDisc(float x, float y, float radius, float rotation) {
    for (int i = 0; i < kDiscCount; ++i) field->discs[i].position = Vector3f(100.0f, 100.0f, 0.0f);
    field->uniformTile = true;
    field->sharedTile = 0;
    Disc& d = field->discs[0];
    d.Renew();
    d.position = Vector3f(x, y, 0.0f);
    d.radius = radius;
    d.rotation = rotation;
  }

  void DrawPass(bool withLogo, int level) {
    field->BeginPass(withLogo, level);
    if (level == 0) field->DrawDiscs();
    EndPassAndRead();
  }

  void EndPassAndRead() {
    field->EndPass();
    image = gl.ReadBack();
  }

  // The pixel where the world point (x, y, z) lands.
  int PixelX(float x, float z) const { return static_cast<int>(Width() / 2.0 + x * PixelsPerUnit(z)); }
  int PixelY(float y, float z) const { return static_cast<int>(Height() / 2.0 + y * PixelsPerUnit(z)); }
  double PixelsPerUnit(float z) const { return Height() / 2.0 / (5.5 - z); }

  ::testing::AssertionResult At(float x, float y, float z, Rgb colour) const {
    return ColourNear(image, PixelX(x, z), PixelY(y, z), colour, kTolerance);
  }

  KaleidoScene scene;
  std::unique_ptr<DiscField> field;
  RgbImage image;
};

TEST_F(FieldRenderTest, DiscCoversItsSquareWithTheTileUpright) {
  OneDisc(1.0f, -2.0f, 0.5f, 0.0f);
  DrawPass(false, 0);
  // The quad lies at z = 1 from (0.5, -2.5) to (1.5, -1.5).
  EXPECT_TRUE(At(0.75f, -1.75f, 1.0f, kRed));
  EXPECT_TRUE(At(1.25f, -1.75f, 1.0f, kGreen));
  EXPECT_TRUE(At(0.75f, -2.25f, 1.0f, kBlue));
  EXPECT_TRUE(At(1.25f, -2.25f, 1.0f, kYellow));
  EXPECT_TRUE(At(0.4f, -2.0f, 1.0f, kBlack));
  EXPECT_TRUE(At(1.6f, -2.0f, 1.0f, kBlack));
  EXPECT_TRUE(At(1.0f, -1.4f, 1.0f, kBlack));
  EXPECT_TRUE(At(1.0f, -2.6f, 1.0f, kBlack));
  EXPECT_TRUE(GlStateIsClean());
}

TEST_F(FieldRenderTest, DiscRotationTurnsTheTileCounterClockwise) {
  OneDisc(-1.0f, 1.0f, 0.5f, 90.0f);
  DrawPass(false, 0);
  // A quarter turn brings the top-left (red) quarter to the bottom-left.
  EXPECT_TRUE(At(-1.25f, 0.75f, 1.0f, kRed));
  EXPECT_TRUE(At(-1.25f, 1.25f, 1.0f, kGreen));
  EXPECT_TRUE(At(-0.75f, 0.75f, 1.0f, kBlue));
  EXPECT_TRUE(At(-0.75f, 1.25f, 1.0f, kYellow));
}

TEST_F(FieldRenderTest, EvenLevelsTurnCounterClockwiseAndOddLevelsClockwise) {
  OneDisc(1.0f, -2.0f, 0.4f, 0.0f);
  scene.elapsedSeconds = 90.0f;
  DrawPass(false, 0);
  EXPECT_TRUE(At(1.0f, -2.0f, 1.0f, kBlack));
  // Turned by 90 degrees the disc's top-left quarter now points down-left.
  EXPECT_TRUE(At(1.8f, 0.8f, 1.0f, kRed));

  glClear(GL_COLOR_BUFFER_BIT);
  field->BeginPass(false, 1);
  field->DrawDiscs();
  EndPassAndRead();
  // Turned clockwise the disc lies at (-2, -1), its red quarter up-right.
  EXPECT_TRUE(At(-1.8f, -0.8f, 1.0f, kRed));
  EXPECT_TRUE(At(2.0f, 1.0f, 1.0f, kBlack));
  EXPECT_TRUE(GlStateIsClean());
}

TEST_F(FieldRenderTest, FeedbackQuadSitsOnTheFirstSegmentsBisectorUpright) {
  // Lower half of the copied picture red, upper half blue (row 0 is the bottom).
  std::vector<unsigned char> pixels(512 * 512 * 3, 0);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) pixels[(static_cast<std::size_t>(y) * 512 + x) * 3 + (y < 256 ? 0 : 2)] = 255;
  }
  const GLuint copy = Upload(512, 512, GL_RGB, pixels.data());
  scene.segmentAngle = 45.0f;

  field->BeginPass(false, 1);
  field->DrawFeedback(copy);
  EndPassAndRead();
  const float a = 292.5f * 3.14159265f / 180.0f;  // the quad's centre direction
  const float cx = 2.0f * std::cos(a);
  const float cy = 2.0f * std::sin(a);
  const float upX = -std::sin(22.5f * 3.14159265f / 180.0f);
  const float upY = std::cos(22.5f * 3.14159265f / 180.0f);
  EXPECT_TRUE(At(cx + 1.5f * upX, cy + 1.5f * upY, 1.0f, kBlue));
  EXPECT_TRUE(At(cx - 1.5f * upX, cy - 1.5f * upY, 1.0f, kRed));
  // 2.4 units half-size: a point 2.8 units along the quad's "up" is outside.
  EXPECT_TRUE(At(cx + 2.8f * upX, cy + 2.8f * upY, 1.0f, kBlack));

  // A negative scale turns the quad by half a turn and still shows it.
  glClear(GL_COLOR_BUFFER_BIT);
  field->feedbackScale = -2.4f;
  field->BeginPass(false, 1);
  field->DrawFeedback(copy);
  EndPassAndRead();
  EXPECT_TRUE(At(cx + 1.5f * upX, cy + 1.5f * upY, 1.0f, kRed));
  EXPECT_TRUE(At(cx - 1.5f * upX, cy - 1.5f * upY, 1.0f, kBlue));

  // A zero scale collapses it.
  glClear(GL_COLOR_BUFFER_BIT);
  field->feedbackScale = 0.0f;
  field->BeginPass(false, 1);
  field->DrawFeedback(copy);
  EndPassAndRead();
  EXPECT_LT(NotBlackFraction(image, 0, 0, Width(), Height()), 0.001);
  EXPECT_TRUE(GlStateIsClean());
  glDeleteTextures(1, &copy);
}

TEST_F(FieldRenderTest, LogoIsDrawnOnlyOnTheFinalPass) {
  // The logo lies in the plane z = 0 around (5, -5); with no logo texture its
  // colour is the current colour at alpha 0.15: orange at time 0.
  OneDisc(100.0f, 100.0f, 0.5f, 0.0f);
  DrawPass(false, 0);
  EXPECT_TRUE(At(5.0f, -5.0f, 0.0f, kBlack));
  DrawPass(true, 0);
  EXPECT_TRUE(ColourNear(image, PixelX(5.0f, 0.0f), PixelY(-5.0f, 0.0f), Rgb{38, 19, 0}, 3));
  EXPECT_TRUE(At(5.0f, -4.5f, 0.0f, kBlack));  // above the 0.64-unit-high quad
}

TEST_F(FieldRenderTest, PassLeavesBlendingAndTexturingOffAndCullingOn) {
  DrawPass(true, 0);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(GlStateIsClean());
}

}  // namespace
