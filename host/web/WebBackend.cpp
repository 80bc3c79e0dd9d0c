#include "host/web/WebBackend.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <utility>

#include "host/SaverState.h"
#include "images/GL.h"
#include "images/PhotoTiles.h"
#include "scene/KaleidoScene.h"

namespace {

// The left button, as the other backends hand a button press to the close policy.
constexpr std::uint32_t kLeftButtonFlag = 0x0001;
constexpr std::uint32_t kFullscreenKey = 'F';
constexpr std::uint32_t kPauseKey = 'P';

EM_JS(bool, MakeContext, (), {
  // Made through the runtime so that the fixed-function emulation starts with it.
  return !!Module.createContext(Module.canvas, true, true,
                                {alpha: false, antialias: false, depth: true, stencil: false});
});

// After a lost context the browser's context is usable again, but every
// object of the old one is gone, and the emulation still holds them: its
// tables of names, its shader programs and buffers, what it last bound.
// Those are forgotten, and the context is made afresh through the runtime,
// which starts the emulation's immediate mode again in it (new programs,
// buffers and matrix stacks). The program then makes its own objects again.
EM_JS(bool, RemakeContext, (), {
  [GL.textures, GL.buffers, GL.programs, GL.shaders, GL.framebuffers, GL.renderbuffers].forEach(function(t) {
    t.fill(null);
  });
  GL.currProgram = 0;
  GL.unpackAlignment = 4;
  GLImmediate.lastRenderer = GLImmediate.currentRenderer = null;
  GLImmediate.lastArrayBuffer = GLImmediate.lastProgram = null;
  GLImmediate.fixedFunctionProgram = 0;
  Module.ctx = null;
  if (!Module.createContext(Module.canvas, true, true, {alpha: false, antialias: false, depth: true, stencil: false}))
    return false;
  GLctx.currentArrayBufferBinding = GLctx.currentElementArrayBufferBinding = 0;
  return true;
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
// was (milliseconds since the page began to load), the scene's time and
// its mirror segments.
EM_JS(void, FrameDrawn, (double count, double seconds, double segments), {
  if (count === 1) Module.firstFrameMs = performance.now();
  Module.framesDrawn = count;
  Module.sceneSeconds = seconds;
  Module.segments = segments;
});

// What the page's controls show: the control keys' state (the fed-back
// picture's size, the push, the tile transition that a fresh placement
// shortens), the settings, the pause.
EM_JS(void, ReportState, (int levels, bool mirrorsOff, double size, double spin, int transition, int useMirrors,
                          int startLevels, bool paused, bool saver), {
  Object.assign(Module, {levels: levels, mirrorsOff: !!mirrorsOff, fedBackSize: size, spin: spin,
                         transitionTicks: transition, useMirrors: useMirrors, startLevels: startLevels,
                         paused: !!paused, saver: !!saver});
  if (Module.onState) Module.onState();
});

EM_JS(void, Captured, (const unsigned char* pixels, int width, int height), {
  if (Module.captured) Module.captured(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
});

}  // namespace

WebBackend::WebBackend(const PageOptions& options, SaverState& state, const SaverRun& run, RunInputs inputs,
                       const PageStart& start)
    : options_(options),
      state_(state),
      start_(start),
      stillCounter_(options.still ? static_cast<ManualCounter*>(inputs.counter) : nullptr),
      images_(inputs.images),
      driver_(*this, state, run, std::move(inputs)) {}

Opened WebBackend::Open(BackendEvents& events) {
  if (!MakeContext()) return Opened{Opened::Result::Failed, "no WebGL context can be created on this page"};
  FollowCanvasSize();
  events.Created();
  return Opened{};
}

void WebBackend::Tick() {
  if (options_.still) {
    if (framesDrawn_ == 0) DrawStill();
    return;
  }
  if (lost_) return;
  FollowCanvasSize();
  if (!driver_.Step()) return;
  Drawn();
  // Less motion asked for: the first frame stays until the visitor plays it.
  if (start_.paused && framesDrawn_ == 1) SetPaused(true);
}

void WebBackend::Capture() {
  if (options_.still && framesDrawn_ > 0) {
    Captured(captured_.data(), width_, height_);
  } else {
    captureWanted_ = true;  // the next frame drawn; none while the context is lost
  }
}

bool WebBackend::OnKey(std::uint32_t code, bool repeat) {
  if (driver_.Saver()) {
    driver_.KeyOrButton(code);
    Report();
    return true;
  }
  if (code == kFullscreenKey || code == kPauseKey) {
    if (repeat) return true;
    if (code == kFullscreenKey) {
      ToggleFullscreen();
    } else {
      SetPaused(start_.clock != nullptr && !start_.clock->Paused());
    }
    return true;
  }
  const bool steered = driver_.Steer(code);
  if (steered) Report();
  return steered;
}

bool WebBackend::OnPointer(bool touch) {
  if (driver_.Saver()) {
    driver_.KeyOrButton(kLeftButtonFlag);
    return true;
  }
  if (touch) return false;
  ToggleFullscreen();
  return true;
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
  Report();
}

void WebBackend::OnContext(bool lost) {
  if (lost) {
    lost_ = true;
  } else if (lost_ && RemakeContext()) {
    RemakeContextObjects();
    lost_ = false;  // the next frame draws, as after a hidden page
  }
}

// The scene's textures (the built-in pictures or the photos' atlas, the
// feedback textures) and the state no frame sets again, in the new context;
// the scene itself, its clock and its settings go on as they were.
void WebBackend::RemakeContextObjects() {
  KaleidoScene* scene = driver_.Scenes().Primary();
  if (scene == nullptr) return;
  if (scene->field != nullptr) {
    scene->field->LoadTextures(images_);
    if (!atlas_.empty()) scene->ShowAtlas(atlas_.data(), photo::kAtlasWidth, photo::kAtlasHeight);
  }
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  scene->MakeContextObjects();
}

void WebBackend::SetPaused(bool paused) {
  if (start_.clock == nullptr) return;
  start_.clock->SetPaused(paused);
  Report();
}

bool WebBackend::ChooseSetting(const std::string& name, std::int32_t value) {
  if (start_.store == nullptr || !ChoosePageSetting(name, value, *start_.store, state_)) return false;
  if (name == setting::kLevels) driver_.Steer(LevelKeyFor(value, 0));  // now, as well as at the start
  Report();
  return true;
}

unsigned char* WebBackend::AtlasBuffer() {
  incoming_.resize(static_cast<std::size_t>(photo::kAtlasWidth) * photo::kAtlasHeight * 4);
  return incoming_.data();
}

void WebBackend::ShowAtlas() {
  KaleidoScene* scene = driver_.Scenes().Primary();
  if (scene == nullptr || incoming_.empty()) return;
  atlas_.swap(incoming_);
  incoming_.clear();
  scene->ShowAtlas(atlas_.data(), photo::kAtlasWidth, photo::kAtlasHeight);
}

void WebBackend::ShowBuiltInPictures() {
  KaleidoScene* scene = driver_.Scenes().Primary();
  atlas_.clear();
  atlas_.shrink_to_fit();
  if (scene != nullptr && scene->field != nullptr) scene->field->LoadTextures(images_);
}

Sight WebBackend::PictureSight() {
  if (lost_ || (start_.clock != nullptr && start_.clock->Paused())) return Sight::Hidden;
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

std::int32_t WebBackend::Levels() {
  const KaleidoScene* primary = driver_.Scenes().Primary();
  return primary != nullptr ? primary->levels : 1;
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
  FrameDrawn(static_cast<double>(++framesDrawn_), primary->elapsedSeconds, primary->segmentCount);
  if (framesDrawn_ == 1) Report();
  if (!captureWanted_) return;
  captureWanted_ = false;
  ReadFrame();
  Captured(captured_.data(), width_, height_);
}

void WebBackend::Report() {
  const KaleidoScene* primary = driver_.Scenes().Primary();
  if (primary == nullptr) return;
  const DiscField* field = primary->field;
  ReportState(primary->levels, primary->mirrorsSuppressed, field != nullptr ? field->feedbackScale : 0.0,
              field != nullptr ? field->spin : 0.0, field != nullptr ? field->transitionLength : 0, state_.useMirrors,
              state_.levels, start_.clock != nullptr && start_.clock->Paused(), driver_.Saver());
}
