#pragma once
#include <cstdint>

// A native window handle held as a number (HWND on Windows, an X window id on X11).
using WindowHandle = std::uintptr_t;
