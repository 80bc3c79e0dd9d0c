// A plain X window for the preview tests: prints its id, then keeps the
// window until standard input ends, when it destroys it and exits.
//   zirbel_test_parent WIDTH HEIGHT [VISUAL_ID]
// With a visual id (hex with 0x, or decimal) the window gets that visual.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int width = argc > 1 ? std::atoi(argv[1]) : 320;
  const int height = argc > 2 ? std::atoi(argv[2]) : 240;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "zirbel_test_parent: no display\n");
    return 1;
  }
  Window window = None;
  if (argc > 3) {
    XVisualInfo wanted{};
    wanted.visualid = std::strtoul(argv[3], nullptr, 0);
    int count = 0;
    XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (info == nullptr || count == 0) {
      std::fprintf(stderr, "zirbel_test_parent: no visual %s\n", argv[3]);
      return 1;
    }
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display, DefaultRootWindow(display), info->visual, AllocNone);
    window = XCreateWindow(display, DefaultRootWindow(display), 10, 10, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, info->depth, InputOutput, info->visual,
                           CWColormap | CWBorderPixel | CWBackPixel, &attributes);
    XFree(info);
  } else {
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, 0, 0);
  }
  XStoreName(display, window, "PreviewParent");
  XMapWindow(display, window);
  XSync(display, False);
  std::printf("%lu\n", static_cast<unsigned long>(window));
  std::fflush(stdout);

  // Serve the connection until standard input is closed.
  char buffer[64];
  for (;;) {
    pollfd fds[2] = {{0, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
    poll(fds, 2, 100);
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
    if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
      if (read(0, buffer, sizeof buffer) <= 0) break;
    }
  }
  XDestroyWindow(display, window);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
