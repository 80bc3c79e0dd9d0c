#include "host/x11/GlWindow.h"

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

}  // namespace x11host
