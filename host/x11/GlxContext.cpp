#include "host/x11/GlxContext.h"

#include "host/x11/Display.h"

namespace x11host {

bool HasGlx(Display* display) {
  int errorBase = 0;
  int eventBase = 0;
  return glXQueryExtension(display, &errorBase, &eventBase);
}

XVisualInfo* ChooseGlVisual(Display* display, int screen) {
  int request[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
  return glXChooseVisual(display, screen, request);
}

XVisualInfo* GlVisualOf(Display* display, Visual* visual, int screen) {
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(visual);
  wanted.screen = screen;
  int count = 0;
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &wanted, &count);
  if (info == nullptr) return nullptr;
  int useGl = 0;
  int rgba = 0;
  int doubleBuffer = 0;
  if (count > 0 && glXGetConfig(display, info, GLX_USE_GL, &useGl) == 0 && useGl &&
      glXGetConfig(display, info, GLX_RGBA, &rgba) == 0 && rgba &&
      glXGetConfig(display, info, GLX_DOUBLEBUFFER, &doubleBuffer) == 0 && doubleBuffer) {
    return info;
  }
  XFree(info);
  return nullptr;
}

Window CreateGlWindow(Display* display, Window parent, const XVisualInfo& visual, Colormap colormap, int width,
                      int height, XSetWindowAttributes attributes, unsigned long mask) {
  attributes.colormap = colormap;
  attributes.background_pixel = BlackPixel(display, visual.screen);
  attributes.border_pixel = 0;
  mask |= CWColormap | CWBackPixel | CWBorderPixel;
  ClearError();
  const Window window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width > 0 ? width : 1),
                                      static_cast<unsigned>(height > 0 ? height : 1), 0, visual.depth, InputOutput,
                                      visual.visual, mask, &attributes);
  XSync(display, False);
  if (window == None || LastError() != 0) return None;
  return window;
}

bool GlxContext::Create(Display* display, XVisualInfo* visual, Window drawable) {
  context_ = glXCreateContext(display, visual, nullptr, True);
  if (context_ == nullptr) return false;
  display_ = display;
  if (!glXMakeCurrent(display, drawable, context_)) {
    glXDestroyContext(display, context_);
    context_ = nullptr;
    return false;
  }
  return true;
}

void GlxContext::Release() {
  if (context_ == nullptr) return;
  glXMakeCurrent(display_, None, nullptr);
  glXDestroyContext(display_, context_);
  context_ = nullptr;
}

}  // namespace x11host
