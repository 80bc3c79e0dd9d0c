#include "host/web/WebBackend.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdio>
#include <utility>

#include "host/SaverState.h"
#include "images/GL.h"
#include "scene/KaleidoScene.h"

namespace {

// The left button, as the other backends hand a button press to the close policy.
constexpr std::uint32_t kLeftButtonFlag = 0x0001;
// The share of an animation frame that photo decoding may take after a frame.
constexpr double kPhotoStepMs = 6.0;

EM_JS(bool, MakeContext, (), {
  // Made through the runtime so that the fixed-function emulation starts with it.
  return !!Module.createContext(Module.canvas, true, true,
                                {alpha: false, antialias: false, depth: true, stencil: false});
});

EM_JS(void, EnterFullscreen, (), {
  const request = document.documentElement.requestFullscreen();
  if (request) request.catch(function() {});
});

EM_JS(void, LeaveFullscreen, (), {
  if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
});

EM_JS(void, ShowCursor, (bool visible), { Module.canvas.style.cursor = visible ? "auto" : "none"; });

// What a test or a benchmark reads back: the frames drawn, when the first
// was (milliseconds since the page began to load), the control keys' state.
EM_JS(void, FrameDrawn, (double count, int levels, bool mirrorsOff), {
  if (count === 1) Module.firstFrameMs = performance.now();
  Module.framesDrawn = count;
  Module.levels = levels;
  Module.mirrorsOff = mirrorsOff;
});

EM_JS(void, Captured, (const unsigned char* pixels, int width, int height), {
  if (Module.captured) Module.captured(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
});

}  // namespace

WebBackend::WebBackend(const PageOptions& options, SaverState& state, const SaverRun& run, RunInputs inputs)
    : options_(options),
      state_(state),
      stillCounter_(options.still ? static_cast<ManualCounter*>(inputs.counter) : nullptr),
      driver_(*this, state, run, std::move(inputs)) {}

Opened WebBackend::Open(BackendEvents& events) {
  if (!MakeContext()) return Opened{Opened::Result::Failed, "no WebGL context can be created on this page"};
  FollowCanvasSize();
  events.Created();
  return Opened{};
}

void WebBackend::Tick(double nowMs) {
  if (options_.still) {
    if (framesDrawn_ == 0) DrawStill();
    return;
  }
  FollowCanvasSize();
  if (!driver_.Step()) return;
  Drawn();
  // Photos decode in the time left after the frame, a step at a time.
  if (!photos_) return;
  std::vector<unsigned char> atlas;
  while (!photos_->Done() && !photos_->Waiting(nowMs) && emscripten_get_now() - nowMs < kPhotoStepMs) {
    if (photos_->Step(nowMs, &atlas)) driver_.Scenes().ShowAtlas(std::move(atlas));
  }
  if (photos_->Done()) photos_.reset();
}

void WebBackend::ShowPhotos(const char* folder) {
  const double refreshMs = static_cast<double>(photo::AtlasSourceOptions().refresh.count());
  photos_.reset(new PhotoSteps(folder, stderr, refreshMs));
}

void WebBackend::Capture() {
  if (options_.still && framesDrawn_ > 0) {
    Captured(captured_.data(), width_, height_);
  } else {
    captureWanted_ = true;
  }
}

bool WebBackend::OnKey(std::uint32_t code, bool repeat) {
  if (driver_.Saver()) {
    driver_.KeyOrButton(code);
    return true;
  }
  if (code == 'F') {
    if (!repeat) ToggleFullscreen();
    return true;
  }
  return driver_.Steer(code);
}

void WebBackend::OnButton() {
  if (driver_.Saver()) {
    driver_.KeyOrButton(kLeftButtonFlag);
  } else {
    ToggleFullscreen();
  }
}

void WebBackend::OnMouseMove(std::int32_t screenX, std::int32_t screenY) {
  cursor_ = CursorPoint{screenX, screenY};
  cursorKnown_ = true;
  driver_.PointerMoved();
}

// In saver mode the page is the saver while it is full screen: it starts
// afresh each time it enters full screen.
void WebBackend::OnFullscreen(bool fullscreen) {
  fullscreen_ = fullscreen;
  driver_.SetSaver(options_.saver && fullscreen);
}

Sight WebBackend::PictureSight() {
  EmscriptenVisibilityChangeEvent status;
  const bool hidden = emscripten_get_visibility_status(&status) == EMSCRIPTEN_RESULT_SUCCESS && status.hidden;
  return hidden ? Sight::Hidden : Sight::Visible;
}

bool WebBackend::CursorPosition(CursorPoint& out) {
  if (!cursorKnown_) return false;
  out = cursor_;
  return true;
}

void WebBackend::RefreshCursor() { ShowCursor(driver_.CursorVisible()); }

void WebBackend::DestroyWindow() {
  driver_.SetSaver(false);
  LeaveFullscreen();
}

void WebBackend::ToggleFullscreen() {
  if (fullscreen_) {
    LeaveFullscreen();
  } else {
    EnterFullscreen();
  }
}

// The canvas's drawing buffer follows its size on the page at the device's
// pixel ratio; the scene follows the buffer.
void WebBackend::FollowCanvasSize() {
  double cssWidth = 0.0, cssHeight = 0.0;
  emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight);
  const double ratio = emscripten_get_device_pixel_ratio();
  const int width = static_cast<int>(std::lround(cssWidth * ratio));
  const int height = static_cast<int>(std::lround(cssHeight * ratio));
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  emscripten_set_canvas_element_size("#canvas", width, height);
  driver_.LayoutChanged();
}

// The frame at the still time, run from the start at the frame clock's pace
// as the offscreen renderer runs it.
void WebBackend::DrawStill() {
  const auto frequency = stillCounter_->frequency;
  const std::int64_t last = static_cast<std::int64_t>(std::lround(options_.time * static_cast<double>(frequency)));
  SceneSet& scenes = driver_.Scenes();
  for (std::int64_t frame = 0; frame < last; ++frame) {
    stillCounter_->value = frame;
    scenes.AdvanceAll();
  }
  stillCounter_->value = last;
  scenes.RenderFrame(FrameFlags(state_.useMirrors));
  ReadFrame();
  Drawn();
}

// The frame just drawn, into captured_ (RGBA, bottom row first).
void WebBackend::ReadFrame() {
  captured_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, captured_.data());
}

void WebBackend::Drawn() {
  const KaleidoScene* primary = driver_.Scenes().Primary();
  FrameDrawn(static_cast<double>(++framesDrawn_), primary->levels, primary->mirrorsSuppressed);
  if (!captureWanted_) return;
  captureWanted_ = false;
  ReadFrame();
  Captured(captured_.data(), width_, height_);
}
