#pragma once
// The renderer's controller: projection and camera, the frame with its
// feedback levels, the mirror segments, the frame clock and the keys.
#include <cstdint>

#include "field/DiscField.h"
#include "field/Vector3f.h"
#include "scene/FrameClock.h"
#include "scene/SceneSources.h"

// Bit of RenderFrame's flags: the user's mirror setting is on.
constexpr std::uint32_t kMirrorsBit = 0x10000;

// Feedback levels are drawn this many pixels high and copied as a square of
// this size.
constexpr std::int32_t kFeedbackSize = 512;
constexpr std::int32_t kMaxLevels = 10;

// Segment angles are kept in this range (degrees): two clip planes cut a true
// sector only up to 180 degrees, and smaller angles would need ever more
// copies per level.
constexpr float kMinSegmentAngle = 1.0f;
constexpr float kMaxSegmentAngle = 180.0f;
// The angle SetSegmentAngle builds for: `angle` clamped to the range above
// (NaN gives the minimum).
float ClampSegmentAngle(float angle);

// Where a feedback level is drawn and copied from, for a window of the given
// size. A window at least kFeedbackSize high whose level viewport is at least
// as wide draws each level `width` x kFeedbackSize pixels with the window's
// projection and copies the `size` x `size` square (kFeedbackSize) from
// x = `copyX`. Any other window would copy pixels it does not own: it draws
// each level into the `size` x `size` square at its origin instead, `size`
// being the largest power of two that fits the window and kFeedbackSize,
// with a square projection (`squareProjection`) so that the square shows the
// same part of the world; there `width` = `size` and `copyX` = 0.
// `drawable` is false for a window without area (zero or negative width or
// height), which gets no levels drawn.
struct LevelViewport {
  std::int32_t width = 0;
  std::int32_t copyX = 0;
  std::int32_t size = 0;
  bool squareProjection = false;
  bool drawable = false;
};
LevelViewport ComputeLevelViewport(std::int32_t width, std::int32_t height);

// The seed of a scene started at the calendar time `seconds`: the time as a
// signed 32-bit value, modulo 256 (negative for times before 1970 or past 2038).
std::uint32_t RandomSeedForTime(std::int64_t seconds);

// The scene's time and segments (elapsedSeconds, segmentAngle, segmentCount)
// are the FieldDriver its field reads and steers; the scene's random source
// (`random`) is the one its field draws from.
class KaleidoScene : public FieldDriver {
 public:
  // Mirror geometry (SetSegmentAngle).
  float wedgeAngle = 0.0f;
  std::int32_t wedgeSlots = 0;
  Vector3f wedgeApex;
  Vector3f wedgeRimStart;
  Vector3f wedgeRimEnd;
  double wedgePlanes[2][4] = {};
  double partialPlanes[2][4] = {};
  bool hasPartialWedge = false;
  float partialAngle = 0.0f;

  DiscField* field = nullptr;  // owned
  // The scene's view: `width` x `height` pixels whose lower-left corner is at
  // (originX, originY) of the window. A window shows several scenes (one per
  // monitor) side by side; a scene draws and clears only inside its view.
  std::int32_t originX = 0;
  std::int32_t originY = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Another view of the window that takes the same keys (not owned).
  KaleidoScene* follower = nullptr;
  bool mirrorsEnabled = true;

  // Frame clock and pacing.
  float fps = 50.0f;
  float fpsWindowStart = 0.0f;
  std::int32_t framesInWindow = 0;
  std::int32_t targetFps = 24;
  std::int32_t sleepMs = 74;
  // The next tick starts a fresh rate window without measuring (RestartRateWindow).
  bool restartRateWindow = false;

  bool mirrorsSuppressed = false;
  std::int32_t levels = 1;

  // Two textures, 512 x 512 until a level copy gives them its square: level i
  // is copied into feedbackTextures[i & 1].
  std::uint32_t feedbackTextures[2] = {0, 0};

  // The clock this scene ticks; Init sets the counter it reads.
  FrameClock clock;

  // Set-up with a current GL context; the random source is seeded with `seed`,
  // the clock reads `sources.counter` and the field's images are found
  // through `sources.images`.
  void Init(std::int32_t width, std::int32_t height, std::uint32_t seed, const SceneSources& sources);
  // The window changed size: viewport and projection follow.
  void Resize(std::int32_t width, std::int32_t height);
  // Moves the view to (x, y) (lower-left, in window pixels) at the given size.
  void PlaceView(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
  // Puts the logo near the lower-right corner of the view.
  void PlaceLogo();
  // Draws one frame into the back buffer; true: present it.
  bool RenderFrame(std::uint32_t flags);
  void AdvanceFrame();
  // True when the key was used as a control and the saver keeps running.
  bool HandleKey(std::uint32_t code);
  // Takes what the control keys have changed in `leader` (levels, mirrors
  // off or on, the fed-back picture's size, the segments' easing), so that a
  // scene that joins a running window is in step with the others.
  void TakeControlsOf(const KaleidoScene& leader);
  // The discs show `rgba`, an atlas of the embedded atlas's layout.
  void ShowAtlas(const unsigned char* rgba, std::int32_t width, std::int32_t height);
  void ToggleMirrors();

  void SetSegmentAngle(float angle);
  void DrawLevel(bool final, std::int32_t level);

  void StartClock();
  void TickClock();
  // Nothing was drawn for a while (the display was off, the window hidden):
  // the frames of that time are no rate, so the next tick restarts the rate
  // window and corrects nothing, and the next measurement answers the rate
  // measured before, once.
  void RestartRateWindow() { restartRateWindow = true; }

  // Destroys the field; needs the GL context that Init had. Safe to call twice.
  void Teardown();
};

// Clears the whole window (every view and what lies between them).
void ClearWindow();
