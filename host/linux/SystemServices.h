#pragma once
// What the Linux program's parts take from the system: the monotonic clock,
// the error message box (drawn by the dialog program, so that the saver never
// loads the toolkit) and the configuration dialog, a program of its own.
#include <cstdint>

#include "host/WindowHandle.h"

namespace linuxhost {

// Milliseconds of the monotonic clock; wraps after 2^32 ms.
std::uint32_t MonotonicMilliseconds();

// Writes `text` to standard error and, where an X display is named, shows it
// in a modal message titled "Error".
void ShowErrorMessage(const char* text);

// Runs the configuration dialog program, owned by the window `owner` (0: none).
void RunConfigDialog(WindowHandle owner);

}  // namespace linuxhost
