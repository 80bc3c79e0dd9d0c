// Drawing the field inside a mirror pass: the pass state, the logo overlay,
// the discs and the fed-back picture of the previous level.
#include <cmath>

#include "field/DiscField.h"
#include "images/GL.h"

namespace {

float SceneSeconds(const DiscField& f) { return f.scene != nullptr ? f.scene->elapsedSeconds : 0.0f; }

GLuint TextureOf(const DiscField& f, const ImageTexture TextureSet::*image) {
  return f.textures != nullptr ? (f.textures->*image).textureName : 0;
}

void BlendedTexturing(GLuint texture) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
}

// The faint logo near the lower-right corner of the view, centred at (x, y),
// its colour swinging from orange through grey to blue and back about once a
// minute.
void DrawLogo(GLuint logo, float seconds, float x, float y) {
  BlendedTexturing(logo);
  const float c = (std::cos(0.1f * seconds) + 1.0f) * 0.5f;
  glPushMatrix();
  glTranslatef(x, y, 0.0f);
  glColor4f(c, 0.5f, 1.0f - c, 0.15f);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-2.0f, -0.32f, 0.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(2.0f, -0.32f, 0.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(2.0f, 0.32f, 0.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-2.0f, 0.32f, 0.0f);
  glEnd();
  glPopMatrix();
}

// A white quad from (-1, -1) to (1, 1) at z = 1 whose texture runs from
// (0, 0) at the bottom left to (1, 1) at the top right.
// Lighting is off, so no normal is given; the colour is set before glBegin,
// as every vertex takes the same.
void FeedbackQuad() {
  glColor3f(1.0f, 1.0f, 1.0f);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-1.0f, -1.0f, 1.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(1.0f, -1.0f, 1.0f);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(1.0f, 1.0f, 1.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-1.0f, 1.0f, 1.0f);
  glEnd();
}

}  // namespace

DiscCorners Disc::Corners() const {
  // The corners of the unit quad in drawing order, counter-clockwise.
  constexpr float kCornerX[4] = {-1.0f, 1.0f, 1.0f, -1.0f};
  constexpr float kCornerY[4] = {-1.0f, -1.0f, 1.0f, 1.0f};
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
  // The rotation grows without bound as the disc rolls. Reduced to one turn
  // (exactly) and turned into radians in double precision, it stays as
  // accurate after hours of rolling as at the start.
  const double radians = std::fmod(static_cast<double>(rotation), 360.0) * kRadiansPerDegree;
  const auto c = static_cast<float>(std::cos(radians));
  const auto s = static_cast<float>(std::sin(radians));
  // The atlas's first row is t = 0: the tile's top row goes to the top edge.
  const float s0 = tileU, s1 = tileU + tileWidth;
  const float tBottom = tileV + tileHeight, tTop = tileV;
  const float cornerS[4] = {s0, s1, s1, s0};
  const float cornerT[4] = {tBottom, tBottom, tTop, tTop};
  DiscCorners out;
  for (int k = 0; k < 4; ++k) {
    const float x = radius * kCornerX[k], y = radius * kCornerY[k];
    out.position[k][0] = position.x + c * x - s * y;
    out.position[k][1] = position.y + s * x + c * y;
    out.position[k][2] = position.z + 1.0f;
    out.texCoord[k][0] = cornerS[k];
    out.texCoord[k][1] = cornerT[k];
  }
  return out;
}

void DiscField::BeginPass(bool withLogo, std::int32_t level) {
  batch.current = false;
  batch.inPass = true;
  const float seconds = SceneSeconds(*this);
  if (withLogo && scene != nullptr) DrawLogo(TextureOf(*this, &TextureSet::logo), seconds, scene->logoX, scene->logoY);

  BlendedTexturing(TextureOf(*this, &TextureSet::atlas));
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  // Even levels turn counter-clockwise, odd ones clockwise, a degree a second.
  const float direction = (level & 1) != 0 ? 1.0f : -1.0f;
  glPushMatrix();
  glRotatef(-direction * seconds, 0.0f, 0.0f, 1.0f);
}

void DiscField::DrawDiscs() {
  if (discs == nullptr) return;
  // The discs stay put during a pass; outside one they are placed afresh.
  if (!batch.current) {
    for (int i = 0; i < kDiscCount; ++i) batch.corners[i] = discs[i].Corners();
    batch.current = batch.inPass;
  }
  glColor3f(1.0f, 1.0f, 1.0f);  // as for the feedback quad
  glBegin(GL_QUADS);
  for (const DiscCorners& quad : batch.corners) {
    for (int k = 0; k < 4; ++k) {
      glTexCoord2fv(quad.texCoord[k]);
      glVertex3fv(quad.position[k]);
    }
  }
  glEnd();
}

void DiscField::DrawFeedback(std::uint32_t texture) {
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  const float angle = scene != nullptr ? scene->segmentAngle * 0.5f : 0.0f;
  glPushMatrix();
  glRotatef(angle, 0.0f, 0.0f, 1.0f);
  glTranslatef(0.0f, -2.0f, 0.0f);
  glScalef(feedbackScale, feedbackScale, 1.0f);
  // The copied picture's row t = 0 is its bottom.
  FeedbackQuad();
  glPopMatrix();
}

void DiscField::EndPass() {
  batch.current = false;
  batch.inPass = false;
  glPopMatrix();
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
}
