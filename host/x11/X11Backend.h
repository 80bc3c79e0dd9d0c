#pragma once
// X11's saver window, full screen (/s) or inside a parent window (/p).
//
// Offers: a kaleidoscope on every monitor (RandR 1.5 monitors, else the
// Xinerama screens), monitors that come, go or change while it runs, the
// preview inside another program's window, the keyboard and pointer grabbed
// while the saver runs, the picture hidden (nothing drawn) while unmapped,
// covered or with the display powered off. Not offered: the desktop's
// background layer (the daemons' --root is X11BorrowedBackend); the screen
// saver password, which Linux does not have.
#include "host/linux/WindowSystems.h"
#include "host/x11/KeyMap.h"
#include "host/x11/X11Window.h"

namespace x11host {

constexpr BackendCaps kX11Caps{/*monitors=*/true, /*hotPlug=*/true, /*preview=*/true, /*borrowed=*/true,
                               /*background=*/false, /*password=*/false};

// X11's row in the table of window systems.
linuxhost::WindowSystem X11WindowSystem();

class X11Backend : public X11Window {
 public:
  // `saver`: full screen over every monitor (only the primary's picture when
  // `allMonitors` is false); else a preview inside `parent`.
  X11Backend(bool saver, Window parent, bool allMonitors);
  ~X11Backend() override;

  Opened Open(BackendEvents& events) override;
  void Show() override;
  void DropWindow() override;
  bool Dispatch() override;
  bool CursorPosition(CursorPoint& out) override;
  void RefreshCursor() override;
  void DestroyWindow() override;

 private:
  bool MeasureTarget();
  bool CreateWindow();
  void CreateCursors();
  Cursor CurrentCursor() const { return events_->CursorVisible() ? arrowCursor_ : blankCursor_; }
  void Translate(XEvent& event);
  void TranslateKey(XKeyEvent& event);
  bool SeenAgainSoon();

  bool saver_;
  Window parent_;
  bool everyMonitor_;
  TopRow topRow_;
  Cursor blankCursor_ = None;
  Cursor arrowCursor_ = None;
  Atom wmProtocols_ = None;
  Atom wmDeleteWindow_ = None;
  bool grabbed_ = false;
  bool hadFocus_ = false;
};

}  // namespace x11host
