#include "host/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace x11host {

void NameSaverWindow(Display* display, Window window, bool fullScreen) {
  XStoreName(display, window, "SaverWindow");
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const char* title = "SaverWindow";
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
  XClassHint classHint;
  classHint.res_name = const_cast<char*>("zirbel");
  classHint.res_class = const_cast<char*>("Zirbel");
  XSetClassHint(display, window, &classHint);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  if (fullScreen) {
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&fullscreen), 1);
  }
}

bool MeasureWindow(Display* display, Window window, int* width, int* height, Visual** visual) {
  XWindowAttributes attributes;
  ClearError();
  if (XGetWindowAttributes(display, window, &attributes) == 0 || LastError() != 0) return false;
  *width = attributes.width;
  *height = attributes.height;
  if (visual != nullptr) *visual = attributes.visual;
  return true;
}

Opened NoGlxVisual() {
  return Opened{Opened::Result::Failed, "The display offers no double-buffered RGBA visual with GLX."};
}

void X11Window::FollowSize(const XConfigureEvent& event, Window parent) {
  if (event.window == window_) {
    if (event.width == width_ && event.height == height_) return;
    width_ = event.width;
    height_ = event.height;
    events_->LayoutChanged();
  } else if (event.window == parent && parent != None) {
    XResizeWindow(display_, window_, static_cast<unsigned>(event.width > 0 ? event.width : 1),
                  static_cast<unsigned>(event.height > 0 ? event.height : 1));
  }
}

bool X11Window::Connect(BackendEvents& events) {
  events_ = &events;
  if (!connection_.Open()) return false;
  display_ = connection_.display();
  screen_ = connection_.screen();
  root_ = connection_.root();
  return true;
}

std::string X11Window::NoDisplay() {
  return std::string("Cannot open the X display \"") + XDisplayName(nullptr) + "\".";
}

X11Window::~X11Window() {
  if (display_ == nullptr) return;
  if (colormap_ != None) XFreeColormap(display_, colormap_);
  if (visual_ != nullptr) XFree(visual_);
  XSync(display_, False);
}

bool X11Window::QuitRequested() {
  if (StopRequested()) quit_ = true;
  return quit_;
}

Opened X11Window::CreateContext() {
  if (!context_.Create(display_, visual_, window_)) {
    return Opened{Opened::Result::Failed, "Cannot create or bind a GLX rendering context."};
  }
  return Opened{};
}

void X11Window::NoteDestroyed(const XDestroyWindowEvent& event, Window filled) {
  if (event.window == window_ || event.window == filled) {
    destroyed_ = true;
    quit_ = true;
  }
}

std::vector<SceneView> X11Window::MonitorViews() const {
  return LayOutViews(ScreenRect{0, 0, width_, height_}, monitors_.Query(), allMonitors_);
}

void X11Window::SpanMonitors(bool allMonitors) {
  spansMonitors_ = true;
  allMonitors_ = allMonitors;
  monitors_.Watch(display_, root_);
  views_ = MonitorViews();
}

bool X11Window::FollowMonitors(XEvent& event) {
  if (!spansMonitors_) return false;
  const bool ownSize = event.type == ConfigureNotify && event.xconfigure.window == window_;
  if (!ownSize && !monitors_.IsChange(event)) return false;
  Relayout();
  if (ownSize && window_ != root_ && !destroyed_ &&
      (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
    // Our window keeps the root's size, whoever changed it.
    XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
  }
  return true;
}

bool X11Window::RootResized() {
  XWindowAttributes root;
  return spansMonitors_ && !destroyed_ && XGetWindowAttributes(display_, root_, &root) != 0 &&
         (root.width != width_ || root.height != height_);
}

void X11Window::Relayout() {
  XWindowAttributes root;
  if (!spansMonitors_ || destroyed_ || XGetWindowAttributes(display_, root_, &root) == 0) return;
  const bool resized = root.width != width_ || root.height != height_;
  if (resized && window_ != root_) {
    XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(root.width), static_cast<unsigned>(root.height));
  }
  width_ = root.width;
  height_ = root.height;
  std::vector<SceneView> views = MonitorViews();
  const bool moved = views != views_;
  views_ = std::move(views);
  if (moved || resized) events_->LayoutChanged();
  // A screen that shrank moved the pointer inside it; that is no activity.
  if (resized) events_->ScreenChanged();
}

}  // namespace x11host
