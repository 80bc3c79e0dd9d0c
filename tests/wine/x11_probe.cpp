// wine_x11_probe: what the Wine end-to-end tests need to see on the X display.
//
//   wine_x11_probe screen                  prints "WIDTH HEIGHT"
//   wine_x11_probe wait-window NAME SECS   waits for a viewable window named NAME;
//                                          prints "ID X Y WIDTH HEIGHT" (root coordinates)
//   wine_x11_probe frames SECS             counts screen updates (bursts of damage
//                                          on the root window) over SECS seconds;
//                                          prints "FRAMES PER_SECOND"
//   wine_x11_probe colours X Y W H         prints how many distinct colours a grid of
//                                          samples in that screen rectangle holds
//   wine_x11_probe cursor                  prints "hidden" when the pointer's cursor
//                                          image is fully transparent, else "visible"
//
// Exit code 0 on success, 1 when the condition was not met, 2 on bad use.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Depth-first search for a viewable window whose name is `name`.
Window FindNamed(Display* display, Window window, const char* name) {
  char* title = nullptr;
  if (XFetchName(display, window, &title) && title != nullptr) {
    const bool match = std::strcmp(title, name) == 0;
    XFree(title);
    if (match) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable) return window;
    }
  }
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) found = FindNamed(display, children[i], name);
  if (children != nullptr) XFree(children);
  return found;
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }  // windows come and go while we look

int WaitWindow(Display* display, const char* name, double seconds) {
  const Clock::time_point start = Clock::now();
  do {
    const Window window = FindNamed(display, DefaultRootWindow(display), name);
    if (window != 0) {
      XWindowAttributes attributes;
      Window child = 0;
      int x = 0, y = 0;
      if (XGetWindowAttributes(display, window, &attributes) &&
          XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
        std::printf("%lu %d %d %d %d\n", static_cast<unsigned long>(window), x, y, attributes.width,
                    attributes.height);
        return 0;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (SecondsSince(start) < seconds);
  std::fprintf(stderr, "no viewable window named '%s' within %.1f s\n", name, seconds);
  return 1;
}

int CountFrames(Display* display, double seconds) {
  int eventBase = 0, errorBase = 0;
  if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "the display has no DAMAGE extension\n");
    return 1;
  }
  const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
  XSync(display, False);
  // A frame reaches the screen as a burst of damage; bursts are at least this
  // far apart at any plausible frame rate.
  const double burstGap = 0.008;
  const Clock::time_point start = Clock::now();
  double lastEvent = -1.0;
  int frames = 0;
  while (SecondsSince(start) < seconds) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != eventBase + XDamageNotify) continue;
      const double now = SecondsSince(start);
      if (lastEvent < 0 || now - lastEvent > burstGap) ++frames;
      lastEvent = now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  XDamageDestroy(display, damage);
  std::printf("%d %.1f\n", frames, frames / seconds);
  return 0;
}

int CountColours(Display* display, int x, int y, int w, int h) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (image == nullptr) {
    std::fprintf(stderr, "cannot read the screen at %d,%d %dx%d\n", x, y, w, h);
    return 1;
  }
  std::set<unsigned long> colours;
  const int step = 4;
  for (int sy = 0; sy < h; sy += step) {
    for (int sx = 0; sx < w; sx += step) colours.insert(XGetPixel(image, sx, sy) & 0xffffff);
  }
  XDestroyImage(image);
  std::printf("%zu\n", colours.size());
  return 0;
}

int CursorState(Display* display) {
  int eventBase = 0, errorBase = 0;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "the display has no XFIXES extension\n");
    return 1;
  }
  XFixesCursorImage* cursor = XFixesGetCursorImage(display);
  if (cursor == nullptr) {
    std::fprintf(stderr, "cannot read the cursor image\n");
    return 1;
  }
  bool visible = false;
  for (std::size_t i = 0; i < static_cast<std::size_t>(cursor->width) * cursor->height; ++i) {
    if ((cursor->pixels[i] >> 24) != 0) visible = true;  // ARGB: any opaque pixel shows
  }
  XFree(cursor);
  std::printf("%s\n", visible ? "visible" : "hidden");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  const std::string command = argv[1];
  int result = 2;
  if (command == "screen" && argc == 2) {
    std::printf("%d %d\n", DisplayWidth(display, DefaultScreen(display)), DisplayHeight(display, DefaultScreen(display)));
    result = 0;
  } else if (command == "wait-window" && argc == 4) {
    result = WaitWindow(display, argv[2], std::atof(argv[3]));
  } else if (command == "frames" && argc == 3) {
    result = CountFrames(display, std::atof(argv[2]));
  } else if (command == "cursor" && argc == 2) {
    result = CursorState(display);
  } else if (command == "colours" && argc == 6) {
    result = CountColours(display, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  }
  XCloseDisplay(display);
  return result;
}
