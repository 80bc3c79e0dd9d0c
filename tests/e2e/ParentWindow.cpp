// zirbel_test_parent WIDTH HEIGHT [VISUAL_ID]: a plain window (with that
// visual), its id printed, destroyed when standard input ends.
// zirbel_test_parent cursor: "hidden" when the pointer's cursor image is fully
// transparent, else "visible".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  if (argc == 2 && std::string(argv[1]) == "cursor") {
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (cursor == nullptr) return 1;
    bool visible = false;
    for (unsigned long i = 0; i < static_cast<unsigned long>(cursor->width) * cursor->height; ++i) {
      if ((cursor->pixels[i] >> 24) != 0) visible = true;  // ARGB: any opaque pixel shows
    }
    std::printf("%s\n", visible ? "visible" : "hidden");
    return 0;
  }
  XVisualInfo wanted{};
  int count = 0;
  wanted.visualid = argc > 3 ? std::strtoul(argv[3], nullptr, 0)
                             : XVisualIDFromVisual(DefaultVisual(display, DefaultScreen(display)));
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
  if (info == nullptr) return 1;
  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(display, DefaultRootWindow(display), info->visual, AllocNone);
  const Window window = XCreateWindow(display, DefaultRootWindow(display), 10, 10,
                                      static_cast<unsigned>(argc > 1 ? std::atoi(argv[1]) : 320),
                                      static_cast<unsigned>(argc > 2 ? std::atoi(argv[2]) : 240), 0, info->depth,
                                      InputOutput, info->visual, CWColormap | CWBorderPixel | CWBackPixel, &attributes);
  XFree(info);
  XStoreName(display, window, "PreviewParent");
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lu\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  char buffer[64];
  for (;;) {
    pollfd fds[2] = {{0, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
    poll(fds, 2, 100);
    for (XEvent event; XPending(display) > 0;) XNextEvent(display, &event);
    if ((fds[0].revents & (POLLIN | POLLHUP)) != 0 && read(0, buffer, sizeof buffer) <= 0) break;
  }
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
