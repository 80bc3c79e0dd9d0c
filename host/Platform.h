#pragma once
// The small set of services each platform provides. Exactly one of host/win32/
// and host/x11/ implements these; the choice is made when linking.
#include <cstdint>

class SaverState;

// A native window handle held as a number (HWND on Windows, an X window id on X11).
using WindowHandle = std::uintptr_t;

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

// The window that currently has the focus, the owner of a bare "c" switch.
WindowHandle ForegroundWindow();

// Run modes.
void ChangeSaverPassword(WindowHandle parent);
int VerifySaverPassword(WindowHandle window);
void RunConfigDialog(SaverState& state, WindowHandle owner);
void RunSaverWindow(SaverState& state, WindowHandle parent, int showWindow);

}  // namespace platform
