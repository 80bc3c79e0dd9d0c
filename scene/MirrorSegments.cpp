// The ring of mirror segments: each level's content is drawn once per wedge
// position, rotated there, cut to the wedge by two clip planes, and every
// second copy reflected so that neighbours meet as mirror images.
#include <cmath>

#include "images/GL.h"
#include "scene/KaleidoScene.h"
#include "scene/MirrorSegments.h"

namespace {

constexpr float kDegreesToRadians = 0.01745328f;
constexpr float kStraightDown = 4.712385f;  // 270 degrees in radians
constexpr float kRimRadius = 4.0f;

// A clip plane through the origin whose normal points at `degrees`.
void SetPlane(double plane[4], float degrees) {
  const double radians = static_cast<double>(degrees * kDegreesToRadians);
  plane[0] = std::cos(radians);
  plane[1] = std::sin(radians);
  plane[2] = 0.0;
  plane[3] = 0.0;
}

void SetXPlane(double plane[4]) {
  plane[0] = 1.0;
  plane[1] = plane[2] = plane[3] = 0.0;
}

}  // namespace

float ClampSegmentAngle(float angle) {
  // Two clip planes cut a true sector only up to 180 degrees, and tiny angles
  // would ask for an enormous number of copies; NaN counts as too small.
  if (!(angle >= kMinSegmentAngle)) return kMinSegmentAngle;
  if (angle > kMaxSegmentAngle) return kMaxSegmentAngle;
  return angle;
}

void KaleidoScene::SetSegmentAngle(float angle) {
  const float a = ClampSegmentAngle(angle);
  const double ad = a;
  const double quotient = 360.0 / ad;
  segmentAngle = a;
  wedgeAngle = a;
  segmentCount = static_cast<float>(quotient);

  std::int32_t n = static_cast<std::int32_t>(quotient);
  if (360.0 - n * ad > 0.9 || quotient - n > 0.001) ++n;
  wedgeSlots = n;

  const float rimAngle = (a + 270.0f) * kDegreesToRadians;
  wedgeApex.Set(0.0f, 0.0f, 0.0f);
  wedgeRimStart.Set(kRimRadius * std::cos(kStraightDown), kRimRadius * std::sin(kStraightDown), 0.0f);
  wedgeRimEnd.Set(kRimRadius * std::cos(rimAngle), kRimRadius * std::sin(rimAngle), 0.0f);

  SetXPlane(wedgePlanes[0]);
  SetPlane(wedgePlanes[1], (a + 270.0f) - 90.0f);

  const float f = segmentCount - std::trunc(segmentCount);
  if (f <= 0.001f) {
    hasPartialWedge = false;
    return;
  }
  hasPartialWedge = true;
  const float o = f * a;
  partialAngle = o;
  if (n % 2 == 0) {
    // The first o degrees of the wedge.
    SetXPlane(partialPlanes[0]);
    SetPlane(partialPlanes[1], (o + 270.0f) - 90.0f);
  } else {
    // The last o degrees of the wedge.
    SetPlane(partialPlanes[0], a - o + 360.0f);
    for (int k = 0; k < 4; ++k) partialPlanes[1][k] = wedgePlanes[1][k];
  }
}

namespace {

void SetClipPlanes(const double planes[2][4]) {
  glClipPlane(GL_CLIP_PLANE0, planes[0]);
  glClipPlane(GL_CLIP_PLANE1, planes[1]);
}

}  // namespace

void KaleidoScene::DrawLevel(bool final, std::int32_t level) {
  glPushMatrix();
  if (!mirrorsEnabled && level == levels - 1) {
    // The unrotated segment, standing still while the picture turns.
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(wedgeApex.x, wedgeApex.y);
    glVertex2f(wedgeRimStart.x, wedgeRimStart.y);
    glVertex2f(wedgeRimEnd.x, wedgeRimEnd.y);
    glEnd();
  }
  if (field == nullptr) {
    glPopMatrix();
    return;
  }
  field->BeginPass(final, level);
  if (mirrorsEnabled) {
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_CLIP_PLANE1);
  }
  const std::uint32_t feedback = level >= 1 ? feedbackTextures[(level - 1) & 1] : 0;
  auto drawContent = [&]() {
    if (level == 0) {
      field->DrawDiscs();
    } else {
      field->DrawFeedback(feedback);
    }
  };

  ForEachMirrorCopy(wedgeSlots, hasPartialWedge, mirrorsEnabled, [&](const MirrorCopy& copy) {
    glPushMatrix();
    glRotatef(static_cast<float>(copy.iteration) * wedgeAngle, 0.0f, 0.0f, 1.0f);
    if (copy.reflected) {
      // The reflection reverses the winding; keep the same faces in front.
      glScalef(-1.0f, 1.0f, 1.0f);
      glFrontFace(GL_CW);
    } else {
      glFrontFace(GL_CCW);
    }
    SetClipPlanes(copy.partial ? partialPlanes : wedgePlanes);
    drawContent();
    glPopMatrix();
  });

  glDisable(GL_CLIP_PLANE0);
  glDisable(GL_CLIP_PLANE1);
  glFrontFace(GL_CCW);
  glPopMatrix();
  field->EndPass();
}
