#include "tools/render/OffscreenGl.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace {

pid_t privateServer = 0;

// One connection for the whole process: contexts come and go on it, and a
// quick close and reopen of connections is not something to count on.
Display* SharedDisplay() {
  static Display* display = nullptr;
  for (int attempt = 0; !display && attempt < 20; ++attempt) {
    display = XOpenDisplay(nullptr);
    if (!display) usleep(50000);
  }
  return display;
}

void StopPrivateServer() {
  if (privateServer > 0) {
    kill(privateServer, SIGTERM);
    waitpid(privateServer, nullptr, 0);
    privateServer = 0;
  }
}

Bool IsMapNotify(Display*, XEvent* event, XPointer window) {
  return event->type == MapNotify && event->xmap.window == reinterpret_cast<Window>(window);
}

}  // namespace

bool EnsureDisplay(std::string* why) {
  const char* current = std::getenv("DISPLAY");
  if (current && *current) {
    if (SharedDisplay()) return true;
    *why = std::string("the X display ") + current + " does not answer";
    return false;
  }
  if (privateServer == 0) {
    const char* xvfb = "/usr/bin/Xvfb";
    if (access(xvfb, X_OK) != 0) {
      *why = "DISPLAY is not set and there is no Xvfb to start";
      return false;
    }
    // Xvfb picks a free display number itself and writes it to the pipe
    // once it accepts connections.
    int ready[2];
    if (pipe(ready) != 0) {
      *why = "DISPLAY is not set and no pipe for Xvfb could be made";
      return false;
    }
    std::string fd = std::to_string(ready[1]);
    std::string screen = "1920x1080x24";
    char* argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), fd.data(),
                    const_cast<char*>("-screen"), const_cast<char*>("0"), screen.data(),
                    const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr};
    const int spawned = posix_spawn(&privateServer, xvfb, nullptr, nullptr, argv, environ);
    close(ready[1]);
    if (spawned != 0) {
      privateServer = 0;
      close(ready[0]);
      *why = "DISPLAY is not set and Xvfb could not be started";
      return false;
    }
    std::atexit(StopPrivateServer);
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (poll(&wait, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
    close(ready[0]);
    if (number.empty()) {
      StopPrivateServer();
      *why = "DISPLAY is not set and the Xvfb started for it did not come up";
      return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  if (SharedDisplay()) return true;
  *why = "DISPLAY is not set and the Xvfb started for it does not answer";
  return false;
}

OffscreenGl::~OffscreenGl() { Close(); }

bool OffscreenGl::Open(std::int32_t width, std::int32_t height, std::string* error) {
  Close();
  if (width <= 0 || height <= 0) {
    *error = "the size must be positive";
    return false;
  }
  Display* d = SharedDisplay();
  if (!d) {
    *error = "cannot open the X display";
    return false;
  }
  display_ = d;
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                      None};  // like the saver's pixel format: no depth, alpha or stencil asked for
  XVisualInfo* visual = glXChooseVisual(d, DefaultScreen(d), attributes);
  if (!visual) {
    *error = "no double-buffered RGBA GLX visual";
    Close();
    return false;
  }
  const Window root = RootWindow(d, visual->screen);
  colormap_ = XCreateColormap(d, root, visual->visual, AllocNone);
  XSetWindowAttributes wa{};
  wa.colormap = colormap_;
  wa.override_redirect = True;
  wa.event_mask = StructureNotifyMask;
  window_ = XCreateWindow(d, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                          visual->depth, InputOutput, visual->visual,
                          CWColormap | CWOverrideRedirect | CWEventMask, &wa);
  GLXContext context = glXCreateContext(d, visual, nullptr, True);
  XFree(visual);
  if (!context) {
    *error = "cannot create a GLX context";
    Close();
    return false;
  }
  context_ = context;
  XMapWindow(d, window_);
  XEvent event;
  XIfEvent(d, &event, IsMapNotify, reinterpret_cast<XPointer>(window_));
  if (!glXMakeCurrent(d, window_, context)) {
    *error = "cannot make the GLX context current";
    Close();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

void OffscreenGl::Close() {
  Display* d = static_cast<Display*>(display_);
  if (!d) return;
  if (context_) {
    glXMakeCurrent(d, None, nullptr);
    glXDestroyContext(d, static_cast<GLXContext>(context_));
    context_ = nullptr;
  }
  if (window_) XDestroyWindow(d, window_);
  if (colormap_) XFreeColormap(d, colormap_);
  window_ = 0;
  colormap_ = 0;
  XSync(d, False);
  display_ = nullptr;
  width_ = height_ = 0;
}

RgbImage OffscreenGl::ReadBack() const {
  RgbImage image;
  if (!context_) return image;
  image.width = width_;
  image.height = height_;
  image.pixels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
  return image;
}
