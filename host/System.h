#pragma once
// The per-user settings store of the platform the program is linked for (the
// registry, the settings file, the web page's local storage).
class SettingsStore;

namespace platform {

SettingsStore& PlatformSettingsStore();

}  // namespace platform
