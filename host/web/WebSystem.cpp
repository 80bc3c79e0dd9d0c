// The system services of host/System.h in a web browser: the page's clock,
// the linked image table, the console for messages. A page has no password
// and no dialog; its settings store is made by its main.
#include <emscripten.h>

#include <cstdio>

#include "host/System.h"
#include "resources/EmbeddedResources.h"

namespace platform {

// performance.now() in microseconds.
std::int64_t CounterFrequency() { return 1000000; }
std::int64_t CounterValue() { return static_cast<std::int64_t>(emscripten_get_now() * 1000.0); }
std::uint32_t TickCount() { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now())); }

// The page never blocks: its frames are paced on the browser's animation frames.
void SleepMilliseconds(int) {}

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  return FindEmbeddedResource(name, data, size);
}

void ShowErrorMessage(const char* text) { std::fprintf(stderr, "zirbel: %s\n", text); }

void ChangeSaverPassword(WindowHandle) {}
// The page has no password: leaving full screen is always allowed.
int VerifySaverPassword(WindowHandle) { return 1; }
void RunConfigDialog(SaverState&, SettingsStore&, WindowHandle) {}

}  // namespace platform
