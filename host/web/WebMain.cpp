// The web page's program: the page's backend (WebBackend) on the browser's
// animation frames and events, with the page's address and stored settings.
// The browser calls in on its events and never waits for the program, so
// the run is driven one step per animation frame.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "host/Driver.h"
#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/web/PageClock.h"
#include "host/web/PageCounter.h"
#include "host/web/PageOptions.h"
#include "host/web/WebBackend.h"
#include "host/web/WebSettingsStore.h"
#include "resources/EmbeddedResources.h"
#include "scene/FrameClock.h"

namespace {

// The still frame's counter: one count per frame at the frame clock's pace.
constexpr std::int64_t kStillFrequency = 24;

EM_JS(char*, PageQuery, (), { return allocateUTF8(window.location.search); });

WebBackend& Of(void* user) { return *static_cast<WebBackend*>(user); }

EM_JS(bool, PrefersLessMotion, (), {
  return !!(window.matchMedia && window.matchMedia('(prefers-reduced-motion: reduce)').matches);
});

EM_BOOL OnAnimationFrame(double, void* user) {
  Of(user).Tick();
  return EM_TRUE;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void* user) {
  return Of(user).OnKey(KeyCodeForDomCode(event->code), event->repeat != 0);
}

EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void* user) {
  Of(user).OnBlur();
  return EM_FALSE;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void* user) {
  Of(user).OnFullscreen(event->isFullscreen != 0);
  return EM_FALSE;
}

void ShowError(const char* text) { std::fprintf(stderr, "zirbel: %s\n", text); }

}  // namespace

// Called by the page's script with the page it was handed at the start:
// its pointer (a mouse's, or a touch on the canvas), its controls, the
// context's loss, the photo worker's atlases.
extern "C" {
EMSCRIPTEN_KEEPALIVE void zirbel_capture(WebBackend* page) { page->Capture(); }
EMSCRIPTEN_KEEPALIVE int zirbel_pointer(WebBackend* page, int touch) { return page->OnPointer(touch != 0); }
EMSCRIPTEN_KEEPALIVE void zirbel_mouse_move(WebBackend* page, int x, int y) { page->OnMouseMove(x, y); }
EMSCRIPTEN_KEEPALIVE int zirbel_key(WebBackend* page, const char* code) {
  return page->OnKey(KeyCodeForDomCode(code), false);
}
EMSCRIPTEN_KEEPALIVE void zirbel_levels(WebBackend* page, int step) { page->StepLevels(step); }
EMSCRIPTEN_KEEPALIVE void zirbel_pause(WebBackend* page, int paused) { page->SetPaused(paused != 0); }
EMSCRIPTEN_KEEPALIVE int zirbel_setting(WebBackend* page, const char* name, int value) {
  return page->ChooseSetting(name, value);
}
EMSCRIPTEN_KEEPALIVE void zirbel_context(WebBackend* page, int lost) { page->OnContext(lost != 0); }
EMSCRIPTEN_KEEPALIVE unsigned char* zirbel_atlas_buffer(WebBackend* page) { return page->AtlasBuffer(); }
EMSCRIPTEN_KEEPALIVE void zirbel_show_atlas(WebBackend* page) { page->ShowAtlas(); }
EMSCRIPTEN_KEEPALIVE void zirbel_builtin_pictures(WebBackend* page) { page->ShowBuiltInPictures(); }
EMSCRIPTEN_KEEPALIVE void zirbel_report(WebBackend* page) { page->Report(); }
}

int main() {
  char* query = PageQuery();
  const PageOptions options = ParsePageQuery(query);
  std::free(query);

  // The page and what it is handed live as long as the browser's page; the
  // runtime never exits.
  auto* store = new WebSettingsStore();  // the page's local storage
  auto* state = new SaverState();
  LoadPageSettings(options, *store, *state);
  SaverRun run;
  run.kind = RunKind::Preview;  // the page in a window; full screen in saver mode makes it the saver
  RunInputs inputs;
  PageStart start;
  start.store = store;
  if (options.still) {
    auto* still = new ManualCounter();
    still->frequency = kStillFrequency;
    inputs.counter = still;
  } else {
    start.clock = new PausableCounter(*new PageCounter());
    start.paused = PrefersLessMotion();
    inputs.counter = start.clock;  // the scenes' frame clocks stand still while paused
  }
  inputs.images = &FindEmbeddedResource;
  inputs.seed = options.seedGiven ? options.seed : RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  inputs.showError = &ShowError;
  auto* page = new WebBackend(options, *state, run, inputs, start);
  if (!page->Start()) return 1;
  EM_ASM({ Module.page = $0; }, page);
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnKeyDown);
  // Heard on the window itself, not captured from its elements (a control losing focus).
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_FALSE, OnBlur);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, page, EM_TRUE, OnFullscreenChange);
  emscripten_request_animation_frame_loop(OnAnimationFrame, page);
  return 0;
}
