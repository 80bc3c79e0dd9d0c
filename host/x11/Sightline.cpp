#include "host/x11/Sightline.h"

#include <X11/extensions/dpms.h>

#include "host/linux/SystemServices.h"

namespace x11host {

void Sightline::Watch(Display* display, Window window, Window outer) {
  display_ = display;
  window_ = window;
  outer_ = outer;
  XWindowAttributes attributes;
  // Not viewable now: an event says when it becomes so.
  unmapped_ = XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable;
  int event = 0;
  int error = 0;
  dpms_ = DPMSQueryExtension(display, &event, &error) && DPMSCapable(display);
  lastAsked_ = linuxhost::MonotonicMilliseconds() - kHiddenPollMs;
}

void Sightline::Note(const XEvent& event) {
  switch (event.type) {
    case UnmapNotify:
      if (event.xunmap.window == window_) unmapped_ = true;
      if (event.xunmap.window == outer_ && outer_ != None) outerUnmapped_ = true;
      break;
    case MapNotify:
      if (event.xmap.window == outer_ && outer_ != None) outerUnmapped_ = false;
      break;
    case VisibilityNotify:
      // Sent when the window becomes viewable, so everything above it is mapped.
      if (event.xvisibility.window != window_) break;
      obscured_ = event.xvisibility.state == VisibilityFullyObscured;
      unmapped_ = false;
      outerUnmapped_ = false;
      break;
    default:
      break;
  }
}

Sight Sightline::Now() {
  if (unmapped_ || outerUnmapped_ || obscured_) return Sight::Hidden;
  const std::uint32_t now = linuxhost::MonotonicMilliseconds();
  if (dpms_ && now - lastAsked_ >= kHiddenPollMs / 2) {
    lastAsked_ = now;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    displayOff_ = DPMSInfo(display_, &level, &enabled) && enabled && level != DPMSModeOn;
  }
  return displayOff_ ? Sight::HiddenPolled : Sight::Visible;
}

}  // namespace x11host
