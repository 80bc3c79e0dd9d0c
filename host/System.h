#pragma once
// The system services of the platform the program is linked for, as the
// picture's defaults and the settings store.
#include <cstdint>

class SettingsStore;

namespace platform {

std::int64_t CounterFrequency();
std::int64_t CounterValue();
std::uint32_t TickCount();
bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size);

// The per-user settings store (the registry, or the settings file).
SettingsStore& PlatformSettingsStore();

// Makes the counter and the image resources above the picture's defaults.
// The entry runs it first.
void InstallPictureDefaults();

}  // namespace platform
