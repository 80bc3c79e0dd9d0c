#include "host/x11/ScreenMonitors.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace x11host {

void ScreenMonitors::Watch(Display* display, Window root) {
  display_ = display;
  root_ = root;
  int events = 0, errors = 0, major = 0, minor = 0;
  randrEvents_ = -1;
  if (XRRQueryExtension(display, &events, &errors) && XRRQueryVersion(display, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 5))) {
    randrEvents_ = events;
    XRRSelectInput(display, root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  // Added to whatever this connection already hears from the root.
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, root, &attributes) != 0) {
    XSelectInput(display, root, attributes.your_event_mask | StructureNotifyMask);
  }
}

std::vector<Monitor> ScreenMonitors::Query() const {
  std::vector<Monitor> monitors;
  if (display_ == nullptr) return monitors;
  if (randrEvents_ >= 0) {
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display_, root_, True, &count);
    for (int i = 0; info != nullptr && i < count; ++i) {
      const XRRMonitorInfo& m = info[i];
      monitors.push_back(Monitor{ScreenRect{m.x, m.y, m.width, m.height}, m.primary != 0});
    }
    if (info != nullptr) XRRFreeMonitors(info);
    if (!monitors.empty()) return monitors;
  }
  int events = 0, errors = 0;
  if (XineramaQueryExtension(display_, &events, &errors) && XineramaIsActive(display_)) {
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display_, &count);
    // Xinerama marks no primary: the first screen is taken for it.
    for (int i = 0; screens != nullptr && i < count; ++i) {
      const XineramaScreenInfo& s = screens[i];
      monitors.push_back(Monitor{ScreenRect{s.x_org, s.y_org, s.width, s.height}, false});
    }
    if (screens != nullptr) XFree(screens);
  }
  return monitors;
}

bool ScreenMonitors::IsChange(XEvent& event) const {
  if (display_ == nullptr) return false;
  if (event.type == ConfigureNotify && event.xconfigure.window == root_) {
    XRRUpdateConfiguration(&event);
    return true;
  }
  if (randrEvents_ < 0) return false;
  if (event.type == randrEvents_ + RRScreenChangeNotify) {
    XRRUpdateConfiguration(&event);
    return true;
  }
  return event.type == randrEvents_ + RRNotify;
}

}  // namespace x11host
