#pragma once
// The system services of the platform the program is linked for: exactly one
// of host/win32/ and host/linux/ implements these, chosen when linking. The
// window system is apart from them (host/win32/ on Windows; on Linux the
// interface of host/linux/WindowSystem.h, which host/x11/ and host/wayland/
// implement).
#include <cstdint>

#include "host/WindowHandle.h"

class SaverState;
class SettingsStore;

namespace platform {

// High-resolution monotonic counter and its frequency in counts per second.
// The frequency is 0 when the platform has none.
std::int64_t CounterFrequency();
std::int64_t CounterValue();

// Millisecond tick count since some fixed point; wraps after 2^32 ms.
std::uint32_t TickCount();

void SleepMilliseconds(int milliseconds);

// The bytes of an embedded image by its resource name. False when the name is
// unknown or the resource is empty.
bool FindImageResource(const char* name, const unsigned char** data, std::uint32_t* size);

// Shows a modal message titled "Error" with an OK button (or, where no display
// is available, writes the text to standard error).
void ShowErrorMessage(const char* text);

// The password services and the configuration dialog.
void ChangeSaverPassword(WindowHandle parent);
int VerifySaverPassword(WindowHandle window);
void RunConfigDialog(SaverState& state, SettingsStore& store, WindowHandle owner);

// Makes the counter and the image resources above the picture's defaults.
// The entry runs it first.
void InstallPictureDefaults();

}  // namespace platform
