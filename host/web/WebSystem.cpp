// The picture's defaults in a web browser: the page's clock, the linked
// image table; and the page's local storage for the settings.
#include <emscripten.h>

#include "host/System.h"
#include "host/web/WebSettingsStore.h"
#include "resources/EmbeddedResources.h"

namespace platform {

// performance.now() in microseconds.
std::int64_t CounterFrequency() { return 1000000; }
std::int64_t CounterValue() { return static_cast<std::int64_t>(emscripten_get_now() * 1000.0); }
std::uint32_t TickCount() { return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now())); }

bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size) {
  return FindEmbeddedResource(name, data, size);
}

SettingsStore& PlatformSettingsStore() {
  static WebSettingsStore store;
  return store;
}

}  // namespace platform
