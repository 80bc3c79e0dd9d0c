#include "scene/KaleidoScene.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "images/GL.h"

namespace {

constexpr double kFieldOfView = 90.0;
// The camera's distance from the plane z = 0: with the 90-degree field the
// plane shows this far from the centre to the nearer edges of the view.
constexpr float kViewHalfSpan = 5.5f;
// The logo sits this far inside the view's lower and right edges; its quad is
// twice kLogoHalfWidth wide.
constexpr float kLogoMargin = 0.5f;
constexpr float kLogoHalfWidth = 2.0f;
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = 20.0;
constexpr float kInitialSegmentAngle = 36.0f;

void SetProjection(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  glViewport(x, y, std::max(width, 0), std::max(height, 0));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A window without area keeps a square projection rather than dividing by 0.
  const bool hasArea = width > 0 && height > 0;
  const double aspect = hasArea ? static_cast<double>(width) / height : 1.0;
  double fieldOfView = kFieldOfView;
  if (hasArea && width < height) {
    // Narrower than high: the 90 degrees go across, so the whole picture fits
    // the width as it fits the height of a wide view.
    constexpr double kDegreesPerRadian = 57.295779513082320876798;
    fieldOfView = 2.0 * std::atan(static_cast<double>(height) / width) * kDegreesPerRadian;
  }
  gluPerspective(fieldOfView, aspect, kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
}

// The level square's projection: the window's field of view and planes at
// aspect 1, over the window's projection, which `on` = false brings back.
void SetSquareProjection(bool on) {
  glMatrixMode(GL_PROJECTION);
  if (on) {
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(kFieldOfView, 1.0, kNearPlane, kFarPlane);
  } else {
    glPopMatrix();
  }
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

std::uint32_t RandomSeedForTime(std::int64_t seconds) {
  // Wrapped to the signed 32-bit value first; the remainder keeps its sign.
  const auto wrapped = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds)));
  return static_cast<std::uint32_t>(wrapped % 256);
}

LevelViewport ComputeLevelViewport(std::int32_t width, std::int32_t height) {
  LevelViewport v;
  if (width <= 0 || height <= 0) return v;
  // 64-bit so that a very wide window cannot overflow; the result always fits.
  const std::int64_t vw = static_cast<std::int64_t>(width) * kFeedbackSize / height;
  v.width = static_cast<std::int32_t>(std::min<std::int64_t>(vw, INT32_MAX));
  v.copyX = (v.width - kFeedbackSize) / 2;
  v.size = kFeedbackSize;
  v.drawable = true;
  if (height < kFeedbackSize || v.width < kFeedbackSize) {
    v.size = 1;
    while (v.size * 2 <= std::min(width, height) && v.size * 2 <= kFeedbackSize) v.size *= 2;
    v.width = v.size;
    v.copyX = 0;
    v.squareProjection = true;
  }
  return v;
}

void KaleidoScene::Init(std::int32_t w, std::int32_t h, std::uint32_t seed, const SceneSources& sources) {
  random.Seed(seed);
  random.Next();

  levels = 1;
  width = w;
  height = h;
  targetFps = 24;
  sleepMs = 74;
  mirrorsSuppressed = false;
  segmentCount = 10.0f;
  segmentAngle = kInitialSegmentAngle;
  SetSegmentAngle(kInitialSegmentAngle);

  SetProjection(originX, originY, width, height);
  PlaceLogo();
  mirrorsEnabled = true;
  clock.source = sources.counter;
  StartClock();

  field = new (std::nothrow) DiscField(this);
  if (field) field->SetUp(sources.images);

  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  // Both start as transparent black. Should the buffer not be had, their first
  // contents are left undefined: every level reads a copy made earlier in the
  // same frame, never the first contents.
  constexpr std::size_t kBytes = static_cast<std::size_t>(kFeedbackSize) * kFeedbackSize * 4;
  unsigned char* zeros = new (std::nothrow) unsigned char[kBytes]();
  GLuint names[2] = {0, 0};
  glGenTextures(2, names);
  for (int i = 0; i < 2; ++i) {
    feedbackTextures[i] = names[i];
    glBindTexture(GL_TEXTURE_2D, names[i]);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, kFeedbackSize, kFeedbackSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  delete[] zeros;
}

void KaleidoScene::Resize(std::int32_t w, std::int32_t h) {
  width = w;
  height = h;
  SetProjection(originX, originY, width, height);
  PlaceLogo();
}

void KaleidoScene::PlaceLogo() {
  logoX = 5.0f;
  logoY = -5.0f;
  if (width > 0 && height > 0 && width < height) {
    // The view is kViewHalfSpan wide on each side and higher than that.
    logoX = kViewHalfSpan - kLogoMargin - kLogoHalfWidth;
    logoY = -(kViewHalfSpan * static_cast<float>(height) / static_cast<float>(width) - kLogoMargin);
  }
}

void KaleidoScene::PlaceView(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  originX = x;
  originY = y;
  Resize(w, h);
}

void KaleidoScene::ShowAtlas(const unsigned char* rgba, std::int32_t w, std::int32_t h) {
  if (field) field->ShowAtlas(rgba, w, h);
}

void ClearWindow() {
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void KaleidoScene::AdvanceFrame() {
  TickClock();
  if (field) field->Step();
}

bool KaleidoScene::RenderFrame(std::uint32_t flags) {
  mirrorsEnabled = (flags & kMirrorsBit) != 0;
  if (mirrorsSuppressed) mirrorsEnabled = false;

  glDrawBuffer(GL_BACK);
  // Only the view is the scene's: another scene may draw beside it.
  glEnable(GL_SCISSOR_TEST);
  glScissor(originX, originY, std::max(width, 0), std::max(height, 0));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  // The projection is the context's, which the window's other scenes share:
  // each frame brings this view's own.
  SetProjection(originX, originY, width, height);
  glLoadIdentity();
  gluLookAt(0.0, 0.0, 5.5, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

  AdvanceFrame();
  SetSegmentAngle(segmentAngle);

  // A window without area (a collapsed preview) keeps its time moving but
  // has nothing to draw into.
  const LevelViewport level = ComputeLevelViewport(width, height);
  if (level.drawable) {
    const bool squarePasses = level.squareProjection && levels >= 2;
    if (squarePasses) SetSquareProjection(true);
    for (std::int32_t i = 0; i <= levels - 2; ++i) {
      glViewport(originX, originY, level.width, level.size);
      DrawLevel(false, i);
      glBindTexture(GL_TEXTURE_2D, feedbackTextures[i & 1]);
      glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, originX + level.copyX, originY, level.size, level.size, 0);
      // Only the level's viewport was drawn; the rest of the window is still
      // clear from the start of the frame, so clearing it again is wasted.
      glEnable(GL_SCISSOR_TEST);
      glScissor(originX, originY, level.width, level.size);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glDisable(GL_SCISSOR_TEST);
    }
    if (squarePasses) SetSquareProjection(false);
    glViewport(originX, originY, width, height);
    DrawLevel(true, levels - 1);
  }
  glFlush();
  return true;
}

void KaleidoScene::Teardown() {
  delete field;
  field = nullptr;
  // The textures would go with the context, but a process may run several
  // scenes on one context (tests, the Linux preview), so give them back.
  if (feedbackTextures[0] != 0 || feedbackTextures[1] != 0) {
    const GLuint names[2] = {feedbackTextures[0], feedbackTextures[1]};
    glDeleteTextures(2, names);
    feedbackTextures[0] = feedbackTextures[1] = 0;
  }
}
