// The settings store in a web browser: the page's local storage.
#include "host/System.h"
#include "host/web/WebSettingsStore.h"

namespace platform {

SettingsStore& PlatformSettingsStore() {
  static WebSettingsStore store;
  return store;
}

}  // namespace platform
