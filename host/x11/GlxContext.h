#pragma once
// The GLX side of the saver window: the visual, a window that carries it,
// and the rendering context.
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace x11host {

// Whether the display offers GLX at all.
bool HasGlx(Display* display);

// A double-buffered RGBA visual with 8 bits per colour; null when there is none.
XVisualInfo* ChooseGlVisual(Display* display, int screen);

// The visual of an existing window, if it can carry a double-buffered RGBA
// GL context; null otherwise.
XVisualInfo* GlVisualOf(Display* display, Visual* visual, int screen);

// A black, borderless window of `visual` with the colormap `colormap` inside
// `parent`, at its origin, with `attributes` (whose `mask` bits are set) as
// well. None when the server refuses it.
Window CreateGlWindow(Display* display, Window parent, const XVisualInfo& visual, Colormap colormap, int width,
                      int height, XSetWindowAttributes attributes, unsigned long mask);

// A rendering context made current on one drawable for its whole life.
class GlxContext {
 public:
  GlxContext() = default;
  GlxContext(const GlxContext&) = delete;
  GlxContext& operator=(const GlxContext&) = delete;
  ~GlxContext() { Release(); }

  // Creates the context and makes it current; false when either fails.
  bool Create(Display* display, XVisualInfo* visual, Window drawable);
  // Makes no context current and deletes this one.
  void Release();

 private:
  Display* display_ = nullptr;
  GLXContext context_ = nullptr;
};

}  // namespace x11host
