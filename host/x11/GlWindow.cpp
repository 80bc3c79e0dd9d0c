#include "host/x11/GlWindow.h"

#include "host/SceneSet.h"
#include "host/System.h"

#include <cstdio>

namespace x11host {

GlWindow::GlWindow(Connection& connection)
    : display_(connection.display()), screen_(connection.screen()), root_(connection.root()) {}

GlWindow::~GlWindow() {
  if (colormap_ != None) XFreeColormap(display_, colormap_);
  if (visual_ != nullptr) XFree(visual_);
  XSync(display_, False);
}

bool GlWindow::QuitRequested() {
  if (StopRequested()) quit_ = true;
  return quit_;
}

std::uint32_t GlWindow::Milliseconds() { return platform::TickCount(); }

SetUpResult GlWindow::CreateContext() {
  if (!context_.Create(display_, visual_, window_)) {
    std::fprintf(stderr, "zirbel: cannot create or bind a GLX rendering context\n");
    return SetUpResult::FormatNotSet;
  }
  return SetUpResult::Ready;
}

void GlWindow::NoteDestroyed(const XDestroyWindowEvent& event, Window filled) {
  if (event.window == window_ || event.window == filled) {
    destroyed_ = true;
    quit_ = true;
  }
}

std::vector<SceneView> GlWindow::Views() {
  views_ = spansMonitors_ ? LayOutViews(ScreenRect{0, 0, width_, height_}, monitors_.Query(), allMonitors_)
                          : WholeWindow(width_, height_);
  return views_;
}

void GlWindow::SpanMonitors(bool allMonitors) {
  spansMonitors_ = true;
  allMonitors_ = allMonitors;
  monitors_.Watch(display_, root_);
}

bool GlWindow::FollowMonitors(XEvent& event) {
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

bool GlWindow::RootResized() {
  XWindowAttributes root;
  return spansMonitors_ && !destroyed_ && XGetWindowAttributes(display_, root_, &root) != 0 &&
         (root.width != width_ || root.height != height_);
}

void GlWindow::Relayout() {
  XWindowAttributes root;
  if (!spansMonitors_ || destroyed_ || XGetWindowAttributes(display_, root_, &root) == 0) return;
  const bool resized = root.width != width_ || root.height != height_;
  if (resized && window_ != root_) {
    XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(root.width), static_cast<unsigned>(root.height));
  }
  const std::vector<SceneView> before = views_;
  width_ = root.width;
  height_ = root.height;
  if ((Views() != before || resized) && gScenes != nullptr) gScenes->Layout(views_, width_, height_);
  if (resized) ScreenResized();
}

}  // namespace x11host
