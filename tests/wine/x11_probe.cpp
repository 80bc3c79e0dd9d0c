// wine_x11_probe: prints "hidden" when the pointer's cursor image on the X
// display is fully transparent, else "visible".
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main() {
  Display* display = XOpenDisplay(nullptr);
  int eventBase = 0, errorBase = 0;
  if (display == nullptr || !XFixesQueryExtension(display, &eventBase, &errorBase)) {
    std::fprintf(stderr, "wine_x11_probe: no display with the XFIXES extension\n");
    return 1;
  }
  XFixesCursorImage* cursor = XFixesGetCursorImage(display);
  if (cursor == nullptr) return 1;
  bool visible = false;
  for (unsigned long i = 0; i < static_cast<unsigned long>(cursor->width) * cursor->height; ++i) {
    if ((cursor->pixels[i] >> 24) != 0) visible = true;  // ARGB: any opaque pixel shows
  }
  XFree(cursor);
  XCloseDisplay(display);
  std::printf("%s\n", visible ? "visible" : "hidden");
  return 0;
}
