#pragma once
// The saver's window on Windows, full screen (/s) over the whole virtual
// screen or inside the screen-saver settings' preview window (/p).
//
// Offers: a kaleidoscope on every monitor, in physical pixels (per-monitor
// DPI aware); monitors added, removed or resized while it runs; the preview;
// the system's screen-saver password check before the saver closes (the
// Windows 9x password services); nothing drawn while the console's display
// is powered off or the preview is hidden. Not offered: the daemons' windows
// and a desktop background, which Windows has no use for.
#include <windows.h>

#include "host/Backend.h"
#include "host/WindowHandle.h"

namespace win32 {

constexpr BackendCaps kWin32Caps{/*monitors=*/true, /*hotPlug=*/true, /*preview=*/true, /*borrowed=*/false,
                                 /*background=*/false, /*password=*/true};

class Win32Backend : public WaitingBackend, public RenderTarget {
 public:
  // `saver`: over every monitor (only the primary's picture when
  // `allMonitors` is false); else inside `parent`. `showWindow` is how the
  // starting process asked the window to be shown.
  Win32Backend(bool saver, WindowHandle parent, bool allMonitors, int showWindow);
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  // Backend
  Opened Open(BackendEvents& events) override;
  SceneLayout Layout() override;
  void Show() override { ShowWindow(window_, showWindow_); }
  void DropWindow() override;
  void Close() override;
  bool Dispatch() override;
  bool QuitRequested() override { return quit_; }
  bool Wait(std::int32_t milliseconds) override;
  Sight PictureSight() override;
  bool CursorPosition(CursorPoint& out) override;
  void RefreshCursor() override;
  int VerifyPassword() override;
  void DestroyWindow() override;

  // RenderTarget
  void Present() override { SwapBuffers(deviceContext_); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // One message; true when it is answered with `result` instead of the default.
  bool Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void NotePower(const POWERBROADCAST_SETTING* setting);
  void CoverScreen();
  static Opened Failure(const char* message);
  Opened CreateContext();
  void SetSaverRunning(UINT running);

  bool saver_;
  WindowHandle parent_;
  bool allMonitors_;
  int showWindow_;
  BackendEvents* events_ = nullptr;
  ScreenRect screen_;  // the window's place: the virtual screen (Saver), the parent's size (Preview)
  bool displayOff_ = false;  // the console's display is powered off
  HWND window_ = nullptr;
  HDC deviceContext_ = nullptr;
  HGLRC renderingContext_ = nullptr;
  HPOWERNOTIFY powerNotification_ = nullptr;
  bool quit_ = false;
};

}  // namespace win32
