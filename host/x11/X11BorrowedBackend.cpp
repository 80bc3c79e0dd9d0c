#include "host/x11/X11BorrowedBackend.h"

#include "host/linux/SystemServices.h"

#include <cstdio>

namespace x11host {

X11BorrowedBackend::X11BorrowedBackend(Window target, bool allMonitors) : target_(target), allMonitors_(allMonitors) {}

X11BorrowedBackend::~X11BorrowedBackend() {
  if (window_ != None && !destroyed_) {
    // A window lent to us gets its own background back (the desktop, when it
    // is the root window), not our last frame.
    if (direct_) {
      XClearWindow(display_, window_);
    } else {
      XDestroyWindow(display_, window_);
    }
  }
}

Opened X11BorrowedBackend::Open(BackendEvents& events) {
  const Opened quiet{Opened::Result::Quiet, std::string()};
  if (!Connect(events)) {
    // A daemon's hack has no one to show a message to but standard error.
    std::fprintf(stderr, "zirbel: %s\n", NoDisplay().c_str());
    return quiet;
  }
  if (target_ == None) target_ = root_;
  Visual* targetVisual = nullptr;
  if (!MeasureWindow(display_, target_, &width_, &height_, &targetVisual)) {
    std::fprintf(stderr, "zirbel: there is no window 0x%lx to draw into\n", target_);
    return quiet;
  }
  if (HasGlx(display_)) {
    // Draw straight into the daemon's window when its visual allows GL;
    // otherwise into a child of it with a visual of our own.
    visual_ = GlVisualOf(display_, targetVisual, screen_);
    direct_ = visual_ != nullptr;
    if (!direct_) visual_ = ChooseGlVisual(display_, screen_);
  }
  if (visual_ == nullptr) return NoGlxVisual();
  if (!(direct_ ? UseTargetItself() : CreateChild())) return quiet;
  if (target_ == root_) SpanMonitors(allMonitors_);
  return CreateContext();
}

// The daemon's window becomes ours to draw in; its size changes and its
// destruction reach us, its input does not.
bool X11BorrowedBackend::UseTargetItself() {
  ClearError();
  XSelectInput(display_, target_, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
  XSync(display_, False);
  if (LastError() != 0) return false;
  window_ = target_;
  return true;
}

// A child of the daemon's window that fills it; the daemon's cursor (usually
// none) shows through.
bool X11BorrowedBackend::CreateChild() {
  colormap_ = XCreateColormap(display_, root_, visual_->visual, AllocNone);
  XSetWindowAttributes attributes{};
  attributes.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
  window_ = CreateGlWindow(display_, target_, *visual_, colormap_, width_, height_, attributes, CWEventMask);
  if (window_ == None) return false;
  XSelectInput(display_, target_, StructureNotifyMask);
  NameSaverWindow(display_, window_, false);
  return true;
}

void X11BorrowedBackend::DropWindow() {
  if (display_ == nullptr) return;  // there was no display to open a window on
  if (window_ != None && !destroyed_ && !direct_) XDestroyWindow(display_, window_);
  destroyed_ = true;
  XSync(display_, False);
}

void X11BorrowedBackend::Show() {
  if (!direct_) XMapRaised(display_, window_);  // the daemon maps its own window
  XSync(display_, False);
  sight_.Watch(display_, window_, direct_ ? None : target_);
}

bool X11BorrowedBackend::QuitRequested() {
  if (!X11Window::QuitRequested()) CheckTarget();
  return quit_;
}

// A window that went away without our noticing (its destruction came before
// we listened, or the server answered a draw with an error) ends the run
// instead of leaving it drawing into nothing. Asked at most every quarter
// second.
void X11BorrowedBackend::CheckTarget() {
  if (LostResource() != None && (LostResource() == target_ || LostResource() == window_)) {
    destroyed_ = true;
    quit_ = true;
    return;
  }
  const std::uint32_t now = linuxhost::MonotonicMilliseconds();
  if (checked_ && now - lastCheck_ < 250) return;
  checked_ = true;
  lastCheck_ = now;
  XWindowAttributes attributes;
  ClearError();
  if (XGetWindowAttributes(display_, target_, &attributes) == 0 || LastError() != 0) {
    destroyed_ = true;
    quit_ = true;
  }
}

bool X11BorrowedBackend::Dispatch() {
  if (XPending(display_) <= 0) return false;
  XEvent event;
  XNextEvent(display_, &event);
  sight_.Note(event);
  if (FollowMonitors(event)) return true;
  switch (event.type) {
    case ConfigureNotify:
      // Our child fills the daemon's window and follows its size.
      FollowSize(event.xconfigure, direct_ || destroyed_ ? None : target_);
      break;
    case DestroyNotify:
      NoteDestroyed(event.xdestroywindow, target_);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace x11host
