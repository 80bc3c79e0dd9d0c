#pragma once
// Whether the picture in an X window can be seen: the window and the window
// it fills are mapped, it is not fully covered, and the display is not
// powered off (asked of the DPMS extension, where the server has it, at most
// twice a second). Only reads: nothing here wakes the display or counts as
// activity.
#include <X11/Xlib.h>

#include <cstdint>

#include "host/Backend.h"

namespace x11host {

class Sightline {
 public:
  // Follows `window`, which we draw in and which must select
  // VisibilityChangeMask and StructureNotifyMask, and `outer`, the window it
  // fills (None when none), which must select StructureNotifyMask.
  void Watch(Display* display, Window window, Window outer);
  void Note(const XEvent& event);
  Sight Now();

 private:
  Display* display_ = nullptr;
  Window window_ = None;
  Window outer_ = None;
  bool unmapped_ = false;
  bool outerUnmapped_ = false;
  bool obscured_ = false;
  bool dpms_ = false;
  bool displayOff_ = false;
  std::uint32_t lastAsked_ = 0;
};

}  // namespace x11host
