// The field's drawing on a real GL context, checked by probes: where a disc
// lands and which way up its tile shows, the pass rotation, the fed-back
// quad, the logo and the state a pass leaves behind.
#include <cmath>
#include <utility>
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
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, data);
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

TEST_F(FieldRenderTest, DiscCoversItsSquareWithTheTileUprightTurnedByItsRotation) {
  // Tile 0's quarters, centred a quarter of the disc's side from its centre:
  // top-left red, top-right green, bottom-left blue, bottom-right yellow.
  const struct {
    float dx, dy;
    Rgb colour;
  } quarters[] = {{-0.25f, 0.25f, kRed}, {0.25f, 0.25f, kGreen}, {-0.25f, -0.25f, kBlue}, {0.25f, -0.25f, kYellow}};
  // A million degrees on, 1000030 is 310 degrees.
  for (float rotation : {0.0f, 90.0f, 30.0f, 1000030.0f}) {
    SCOPED_TRACE(rotation);
    glClear(GL_COLOR_BUFFER_BIT);
    OneDisc(1.0f, -2.0f, 0.5f, rotation);
    DrawPass(false, 0);
    const double t = std::fmod(static_cast<double>(rotation), 360.0) * 3.14159265358979323846 / 180.0;
    const auto c = static_cast<float>(std::cos(t)), s = static_cast<float>(std::sin(t));
    for (const auto& q : quarters) {
      EXPECT_TRUE(At(1.0f + c * q.dx - s * q.dy, -2.0f + s * q.dx + c * q.dy, 1.0f, q.colour));
    }
    // Beyond the corners of the quad at any rotation.
    for (const auto& o : {std::pair<float, float>{0.85f, 0.0f}, {0.0f, 0.85f}, {-0.85f, 0.0f}, {0.0f, -0.85f}}) {
      EXPECT_TRUE(At(1.0f + o.first, -2.0f + o.second, 1.0f, kBlack));
    }
    EXPECT_TRUE(GlStateIsClean());
  }
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

TEST_F(FieldRenderTest, LogoIsDrawnUprightOnlyOnTheFinalPass) {
  // A logo whose first row is the top of the picture: opaque only in its
  // top-left quarter. Its colour is the current colour at alpha 0.15 times
  // the texel: orange at time 0. It lies in the plane z = 0 around (5, -5),
  // 4 x 0.64 units.
  const unsigned char logo[4 * 4] = {255, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  field->textures->logo.textureName = Upload(4, 4, GL_ALPHA, logo);
  OneDisc(100.0f, 100.0f, 0.5f, 0.0f);
  DrawPass(false, 0);
  EXPECT_TRUE(At(4.0f, -4.84f, 0.0f, kBlack));
  DrawPass(true, 0);
  const Rgb orange{38, 19, 0};
  EXPECT_TRUE(ColourNear(image, PixelX(4.0f, 0.0f), PixelY(-4.84f, 0.0f), orange, 3)) << "top left";
  EXPECT_TRUE(At(6.0f, -4.84f, 0.0f, kBlack)) << "top right";
  EXPECT_TRUE(At(4.0f, -5.16f, 0.0f, kBlack)) << "bottom left";
  EXPECT_TRUE(At(4.0f, -4.5f, 0.0f, kBlack)) << "above the quad";
  // Half a swing later, near 31.4 seconds, the colour is blue.
  scene.elapsedSeconds = 31.4f;
  glClear(GL_COLOR_BUFFER_BIT);
  DrawPass(true, 0);
  EXPECT_TRUE(ColourNear(image, PixelX(4.0f, 0.0f), PixelY(-4.84f, 0.0f), Rgb{0, 19, 38}, 3));
  // The pass leaves blending and texturing off, culling on, depth test off.
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(GlStateIsClean());
}

}  // namespace
