#include "host/x11/ScreenSaverIdle.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <utility>

namespace x11host {

namespace {
// While the user is idle, how often the input that ends it is looked for.
constexpr unsigned kActiveCheckMs = 1000;
}  // namespace

struct ScreenSaverIdle::State {
  Display* display = nullptr;
  XScreenSaverInfo* info = nullptr;
  unsigned delayMs = 0;
  linuxhost::IdleCallbacks callbacks;
  bool reportedIdle = false;
  unsigned long lastIdleMs = 0;
  guint timer = 0;
  guint watch = 0;

  void Schedule(unsigned ms) {
    if (timer != 0) g_source_remove(timer);
    timer = g_timeout_add(std::max(ms, 1u), &State::OnTimer, this);
  }
  static gboolean OnTimer(gpointer data) {
    State* self = static_cast<State*>(data);
    self->timer = 0;
    self->Check();
    return G_SOURCE_REMOVE;
  }
  static gboolean OnConnection(gint, GIOCondition condition, gpointer data) {
    State* self = static_cast<State*>(data);
    if ((condition & (G_IO_HUP | G_IO_ERR)) != 0) {
      self->watch = 0;
      if (self->callbacks.gone) self->callbacks.gone();
      return G_SOURCE_REMOVE;
    }
    // Nothing is selected; whatever comes is read and dropped.
    while (XPending(self->display) > 0) {
      XEvent event;
      XNextEvent(self->display, &event);
    }
    return G_SOURCE_CONTINUE;
  }
  void Check() {
    if (!XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) return Schedule(kActiveCheckMs);
    const unsigned long idleMs = info->idle;
    if (reportedIdle && idleMs >= lastIdleMs) {
      lastIdleMs = idleMs;
      return Schedule(kActiveCheckMs);
    }
    if (reportedIdle) {
      reportedIdle = false;
      callbacks.changed(false);
    }
    if (idleMs >= delayMs) {
      reportedIdle = true;
      lastIdleMs = idleMs;
      callbacks.changed(true);
      return Schedule(kActiveCheckMs);
    }
    // Input may come meanwhile; the deadline is then checked again.
    Schedule(static_cast<unsigned>(delayMs - idleMs));
  }
};

ScreenSaverIdle::ScreenSaverIdle(std::unique_ptr<State> state) : state_(std::move(state)) {
  int event = 0;
  int error = 0;
  hasExtension_ = XScreenSaverQueryExtension(state_->display, &event, &error) != 0;
}

std::unique_ptr<ScreenSaverIdle> ScreenSaverIdle::Connect() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  auto state = std::make_unique<State>();
  state->display = display;
  return std::unique_ptr<ScreenSaverIdle>(new ScreenSaverIdle(std::move(state)));
}

ScreenSaverIdle::~ScreenSaverIdle() {
  if (state_->timer != 0) g_source_remove(state_->timer);
  if (state_->watch != 0) g_source_remove(state_->watch);
  if (state_->info != nullptr) XFree(state_->info);
  XCloseDisplay(state_->display);
}

bool ScreenSaverIdle::DaemonRuns() const {
  Display* display = state_->display;
  const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", True);
  if (version == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), version, 0, 64, False,
                                        AnyPropertyType, &type, &format, &count, &after, &data);
  if (data != nullptr) XFree(data);
  return status == Success && type != None;
}

bool ScreenSaverIdle::Watch(unsigned seconds, linuxhost::IdleCallbacks callbacks, std::string* why) {
  if (!hasExtension_) {
    *why = "the X server has no MIT-SCREEN-SAVER extension";
    return false;
  }
  state_->info = XScreenSaverAllocInfo();
  if (state_->info == nullptr) {
    *why = "out of memory";
    return false;
  }
  state_->delayMs = seconds * 1000u;
  state_->callbacks = std::move(callbacks);
  state_->watch = g_unix_fd_add(ConnectionNumber(state_->display),
                                static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), &State::OnConnection,
                                state_.get());
  state_->Schedule(0);  // the first look, from the main loop
  return true;
}

}  // namespace x11host
