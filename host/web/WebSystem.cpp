// The system services of host/System.h in a web browser: the page's tick count,
// the linked image table, the console for messages, the page's local
// storage for the settings. A page has no password and no dialog.
#include <emscripten.h>

#include <cstdio>

#include "host/System.h"
#include "host/web/WebSettingsStore.h"
#include "resources/EmbeddedResources.h"

namespace platform {

std::uint32_t TickCount() { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now())); }

// The page never blocks: its frames are paced on the browser's animation frames.
void SleepMilliseconds(int) {}

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  return FindEmbeddedResource(name, data, size);
}

void ShowErrorMessage(const char* text) { std::fprintf(stderr, "zirbel: %s\n", text); }

SettingsStore& PlatformSettingsStore() {
  static WebSettingsStore store;
  return store;
}

void ChangeSaverPassword(WindowHandle) {}
// The page has no password: leaving full screen is always allowed.
int VerifySaverPassword(WindowHandle) { return 1; }
void RunConfigDialog(SaverState&, SettingsStore&, WindowHandle) {}

}  // namespace platform
