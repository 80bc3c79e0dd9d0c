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

EM_BOOL OnAnimationFrame(double now, void* user) {
  Of(user).Tick(now);
  return EM_TRUE;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void* user) {
  return Of(user).OnKey(KeyCodeForDomCode(event->code), event->repeat != 0);
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent*, void* user) {
  Of(user).OnButton();
  return EM_TRUE;
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* event, void* user) {
  Of(user).OnMouseMove(static_cast<std::int32_t>(event->screenX), static_cast<std::int32_t>(event->screenY));
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

void ShowError(const char* text) { std::fprintf(stderr, "zirbel: %s\n", text); }

}  // namespace

// Called by the page's script with the page it was handed at the start.
extern "C" {
EMSCRIPTEN_KEEPALIVE void zirbel_show_photos(WebBackend* page, const char* folder) { page->ShowPhotos(folder); }
EMSCRIPTEN_KEEPALIVE void zirbel_capture(WebBackend* page) { page->Capture(); }
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
  if (options.still) {
    auto* still = new ManualCounter();
    still->frequency = kStillFrequency;
    inputs.counter = still;
  } else {
    inputs.counter = new PageCounter();
  }
  inputs.images = &FindEmbeddedResource;
  inputs.seed = options.seedGiven ? options.seed : RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  inputs.showError = &ShowError;
  auto* page = new WebBackend(options, *state, run, inputs);
  if (!page->Start()) return 1;
  EM_ASM({ Module.page = $0; }, page);
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnKeyDown);
  emscripten_set_mousedown_callback("#canvas", page, EM_TRUE, OnMouseDown);
  emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnMouseMove);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, page, EM_TRUE, OnBlur);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, page, EM_TRUE, OnFullscreenChange);
  emscripten_request_animation_frame_loop(OnAnimationFrame, page);
  return 0;
}
