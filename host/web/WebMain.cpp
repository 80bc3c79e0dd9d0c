// The web page's program: one kaleidoscope on the page's canvas, drawn on
// the browser's animation frames at the scene's own pace, with the saver's
// control keys, full screen on a click, a tap or F, and a photo folder the
// page hands over. The browser calls in on its events and never waits for
// the program, so the scenes' owner (SceneSet) is driven from here frame by
// frame rather than through the native frame loop, which waits for events.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "field/KeyCodes.h"
#include "host/ClosePolicy.h"
#include "host/SceneSet.h"
#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/System.h"
#include "host/web/PageOptions.h"
#include "host/web/PhotoSteps.h"
#include "host/web/WebSettingsStore.h"
#include "images/GL.h"
#include "images/PhotoAtlasSource.h"
#include "scene/FrameClock.h"

namespace {

// The left button, as the other hosts hand a button press to the close policy.
constexpr std::uint32_t kLeftButtonFlag = 0x0001;
// The share of an animation frame that photo decoding may take after a frame.
constexpr double kPhotoStepMs = 6.0;
// The still frame's counter: one count per frame at the frame clock's pace.
constexpr std::int64_t kStillFrequency = 24;

EM_JS(char*, PageQuery, (), { return allocateUTF8(window.location.search); });

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

class Page : public SaverWindowServices {
 public:
  explicit Page(const PageOptions& options) : options_(options) {}

  bool Start(SettingsStore& store) {
    if (!MakeContext()) {
      platform::ShowErrorMessage("no WebGL context can be created on this page");
      return false;
    }
    LoadPageSettings(options_, store, state_);
    if (options_.still) {
      stillCounter_.frequency = kStillFrequency;
      SetDefaultCounterSource(&stillCounter_);
    }
    FollowCanvasSize();
    const std::uint32_t seed =
        options_.seedGiven ? options_.seed : RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
    if (!scenes_.Start(WholeWindow(width_, height_), width_, height_, seed, state_.levels)) return false;
    frames_.SetFlags(FrameFlags(state_.useMirrors));
    policy_.OnCreate();
    return true;
  }

  // One animation frame of the browser.
  void Tick(double nowMs) {
    if (options_.still) {
      if (framesDrawn_ == 0) DrawStill();
      return;
    }
    FollowCanvasSize();
    if (!frames_.Tick(nowMs, Visible())) return;
    Drawn();
    // Photos decode in the time left after the frame, a step at a time.
    if (photos_) {
      std::vector<unsigned char> atlas;
      while (!photos_->Done() && !photos_->Waiting(nowMs) && emscripten_get_now() - nowMs < kPhotoStepMs) {
        if (photos_->Step(nowMs, &atlas)) scenes_.ShowAtlas(std::move(atlas));
      }
      if (photos_->Done()) photos_.reset();
    }
  }

  void ShowPhotos(const char* folder) {
    const double refreshMs = static_cast<double>(photo::AtlasSourceOptions().refresh.count());
    photos_.reset(new PhotoSteps(folder, stderr, refreshMs));
  }

  void Capture() {
    if (options_.still && framesDrawn_ > 0) {
      Captured(captured_.data(), width_, height_);
    } else {
      captureWanted_ = true;
    }
  }

  bool OnKey(const EmscriptenKeyboardEvent& event) {
    const std::uint32_t code = KeyCodeForDomCode(event.code);
    if (policy_.mode == SaverMode::Saver) {
      policy_.OnKeyOrButton(code);
      return true;
    }
    if (code == 'F') {
      if (!event.repeat) ToggleFullscreen();
      return true;
    }
    KaleidoScene* primary = scenes_.Primary();
    return primary != nullptr && code != 0 && primary->HandleKey(code);
  }

  void OnButton() {
    if (policy_.mode == SaverMode::Saver) {
      policy_.OnKeyOrButton(kLeftButtonFlag);
    } else {
      ToggleFullscreen();
    }
  }

  void OnMouseMove(const EmscriptenMouseEvent& event) {
    cursor_.x = static_cast<std::int32_t>(event.screenX);
    cursor_.y = static_cast<std::int32_t>(event.screenY);
    cursorKnown_ = true;
    policy_.OnMouseMove();
  }

  void OnBlur() { policy_.OnActivation(false); }

  // In saver mode the page is the saver while it is full screen: it starts
  // afresh each time it enters full screen.
  void OnFullscreen(bool fullscreen) {
    fullscreen_ = fullscreen;
    policy_.mode = options_.saver && fullscreen ? SaverMode::Saver : SaverMode::Preview;
    if (policy_.mode == SaverMode::Saver) {
      state_.closeRequested = 0;
      state_.cursorOriginKnown = false;
      policy_.OnCreate();
    }
    RefreshCursor();
  }

  // SaverWindowServices: the saver's window is the page in full screen.
  void PostCloseRequest() override { policy_.OnClose(); }
  void RefreshCursor() override { ShowCursor(policy_.CursorVisible()); }
  bool CursorPosition(CursorPoint& out) override {
    if (!cursorKnown_) return false;
    out = cursor_;
    return true;
  }
  std::uint32_t TickCount() override { return platform::TickCount(); }
  int VerifyPassword() override { return platform::VerifySaverPassword(0); }
  void DestroySaverWindow() override {
    policy_.mode = SaverMode::Preview;
    LeaveFullscreen();
  }

 private:
  bool Visible() {
    EmscriptenVisibilityChangeEvent status;
    return emscripten_get_visibility_status(&status) != EMSCRIPTEN_RESULT_SUCCESS || !status.hidden;
  }

  void ToggleFullscreen() {
    if (fullscreen_) {
      LeaveFullscreen();
    } else {
      EnterFullscreen();
    }
  }

  // The canvas's drawing buffer follows its size on the page at the
  // device's pixel ratio; the scene follows the buffer.
  void FollowCanvasSize() {
    double cssWidth = 0.0, cssHeight = 0.0;
    emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int width = static_cast<int>(std::lround(cssWidth * ratio));
    const int height = static_cast<int>(std::lround(cssHeight * ratio));
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    emscripten_set_canvas_element_size("#canvas", width, height);
    if (scenes_.Primary() != nullptr) scenes_.Layout(WholeWindow(width, height), width, height);
  }

  // The frame at the still time, run from the start at the frame clock's
  // pace as the offscreen renderer runs it.
  void DrawStill() {
    const std::int64_t last = static_cast<std::int64_t>(std::lround(options_.time * kStillFrequency));
    for (std::int64_t frame = 0; frame < last; ++frame) {
      stillCounter_.value = frame;
      scenes_.AdvanceAll();
    }
    stillCounter_.value = last;
    scenes_.RenderFrame(FrameFlags(state_.useMirrors));
    ReadFrame();
    Drawn();
  }

  // The frame just drawn, into captured_ (RGBA, bottom row first).
  void ReadFrame() {
    captured_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, captured_.data());
  }

  void Drawn() {
    const KaleidoScene* primary = scenes_.Primary();
    FrameDrawn(static_cast<double>(++framesDrawn_), primary->levels, primary->mirrorsSuppressed);
    if (!captureWanted_) return;
    captureWanted_ = false;
    ReadFrame();
    Captured(captured_.data(), width_, height_);
  }

  PageOptions options_;
  SaverState state_;
  SceneSet scenes_;
  ClosePolicy policy_{state_, *this, SaverMode::Preview, &scenes_};
  PacedFrames frames_{scenes_, 0};
  ManualCounter stillCounter_;
  std::unique_ptr<PhotoSteps> photos_;
  int width_ = 0;
  int height_ = 0;
  std::int64_t framesDrawn_ = 0;
  bool fullscreen_ = false;
  bool captureWanted_ = false;
  std::vector<unsigned char> captured_;
  CursorPoint cursor_;
  bool cursorKnown_ = false;
};

Page& Of(void* user) { return *static_cast<Page*>(user); }

EM_BOOL OnAnimationFrame(double now, void* user) {
  Of(user).Tick(now);
  return EM_TRUE;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void* user) { return Of(user).OnKey(*event); }

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent*, void* user) {
  Of(user).OnButton();
  return EM_TRUE;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* event, void* user) {
  Of(user).OnMouseMove(*event);
  return EM_FALSE;
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void* user) {
  Of(user).OnBlur();
  return EM_FALSE;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void* user) {
  Of(user).OnFullscreen(event->isFullscreen != 0);
  return EM_FALSE;
}

}  // namespace

// Called by the page's script with the page it was handed at the start.
extern "C" {
EMSCRIPTEN_KEEPALIVE void zirbel_show_photos(Page* page, const char* folder) { page->ShowPhotos(folder); }
EMSCRIPTEN_KEEPALIVE void zirbel_capture(Page* page) { page->Capture(); }
}

int main() {
  platform::InstallPictureDefaults();
  char* query = PageQuery();
  const PageOptions options = ParsePageQuery(query);
  std::free(query);
  // The page lives as long as the browser's page; the runtime never exits.
  Page* page = new Page(options);
  WebSettingsStore store;  // the page's local storage
  if (!page->Start(store)) return 1;
  EM_ASM({ Module.page = $0; }, page);
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnKeyDown);
  emscripten_set_mousedown_callback("#canvas", page, EM_TRUE, OnMouseDown);
  emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnMouseMove);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnBlur);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, page, EM_TRUE, OnFullscreenChange);
  emscripten_request_animation_frame_loop(OnAnimationFrame, page);
  return 0;
}
