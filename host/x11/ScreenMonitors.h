#pragma once
// The monitors of an X screen and their changes: RandR 1.5 monitors (with
// the primary marked) where the server has them, else the Xinerama screens,
// else none, which lays a window out as one view.
#include <X11/Xlib.h>

#include <vector>

#include "host/Monitors.h"

namespace x11host {

class ScreenMonitors {
 public:
  // Asks the root window of `display` for monitor changes: RandR's screen,
  // output and CRTC notes, and the root's own size.
  void Watch(Display* display, Window root);
  // The active monitors in root coordinates; empty when the server can tell none.
  std::vector<Monitor> Query() const;
  // Whether `event` may mean other monitors or another root size; it updates
  // Xlib's idea of the screen size on the way.
  bool IsChange(XEvent& event) const;

 private:
  Display* display_ = nullptr;
  Window root_ = None;
  int randrEvents_ = -1;  // the extension's first event code; -1: no RandR 1.5
};

}  // namespace x11host
