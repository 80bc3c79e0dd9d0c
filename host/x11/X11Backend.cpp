#include "host/x11/X11Backend.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <time.h>

#include <utility>

namespace x11host {

X11Backend::X11Backend(bool saver, Window parent, bool allMonitors)
    : saver_(saver), parent_(parent), everyMonitor_(allMonitors) {}

X11Backend::~X11Backend() {
  if (window_ != None && !destroyed_) XDestroyWindow(display_, window_);
  if (grabbed_) {
    XUngrabKeyboard(display_, CurrentTime);
    XUngrabPointer(display_, CurrentTime);
  }
  if (blankCursor_ != None) XFreeCursor(display_, blankCursor_);
  if (arrowCursor_ != None) XFreeCursor(display_, arrowCursor_);
}

Opened X11Backend::Open(BackendEvents& events) {
  if (!Connect(events)) return Opened{Opened::Result::Failed, NoDisplay()};
  // A preview parent that does not exist ends the run quietly.
  if (!MeasureTarget()) return Opened{Opened::Result::Quiet, std::string()};
  visual_ = HasGlx(display_) ? ChooseGlVisual(display_, screen_) : nullptr;
  if (visual_ == nullptr) return NoGlxVisual();
  if (!CreateWindow()) return Opened{Opened::Result::Quiet, std::string()};
  // Full screen covers every monitor, each with a kaleidoscope of its own.
  if (saver_) SpanMonitors(everyMonitor_);
  return CreateContext();
}

// The size of the window to be: the parent's in Preview, the screen's
// otherwise. False when the preview parent does not exist.
bool X11Backend::MeasureTarget() {
  if (saver_) {
    width_ = DisplayWidth(display_, screen_);
    height_ = DisplayHeight(display_, screen_);
    return true;
  }
  return parent_ != None && MeasureWindow(display_, parent_, &width_, &height_);
}

bool X11Backend::CreateWindow() {
  colormap_ = XCreateColormap(display_, root_, visual_->visual, AllocNone);
  CreateCursors();
  XSetWindowAttributes attributes{};
  attributes.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
  unsigned long mask = CWEventMask | CWCursor;
  attributes.cursor = arrowCursor_;
  if (saver_) {
    // Above everything, with or without a window manager.
    attributes.override_redirect = True;
    attributes.event_mask |= KeyPressMask | ButtonPressMask | PointerMotionMask | FocusChangeMask;
    attributes.cursor = blankCursor_;
    mask |= CWOverrideRedirect;
  }
  const Window parent = saver_ ? root_ : parent_;
  window_ = CreateGlWindow(display_, parent, *visual_, colormap_, width_, height_, attributes, mask);
  if (window_ == None) return false;
  if (!saver_) XSelectInput(display_, parent_, StructureNotifyMask);
  NameSaverWindow(display_, window_, saver_);
  wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
  wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  events_->Created();
  topRow_.Read(display_);
  return true;
}

void X11Backend::CreateCursors() {
  static const char kEmpty[8] = {};
  const Pixmap pixmap = XCreateBitmapFromData(display_, root_, kEmpty, 8, 8);
  XColor black{};
  blankCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
  XFreePixmap(display_, pixmap);
  arrowCursor_ = XCreateFontCursor(display_, XC_left_ptr);
}

void X11Backend::DropWindow() {
  if (display_ == nullptr) return;  // there was no display to open a window on
  if (window_ != None && !destroyed_) XDestroyWindow(display_, window_);
  destroyed_ = true;
  XSync(display_, False);
}

void X11Backend::Show() {
  XMapRaised(display_, window_);
  XSync(display_, False);
  sight_.Watch(display_, window_, parent_);
  if (!saver_) return;
  // Input must reach the saver: take the focus and grab keyboard and
  // pointer once the window is viewable.
  for (int attempt = 0; attempt < 100 && !grabbed_; ++attempt) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window_, &attributes) != 0 && attributes.map_state == IsViewable) {
      ClearError();
      XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
      const int keyboard = XGrabKeyboard(display_, window_, True, GrabModeAsync, GrabModeAsync, CurrentTime);
      const int pointer = XGrabPointer(display_, window_, True, ButtonPressMask | PointerMotionMask, GrabModeAsync,
                                       GrabModeAsync, None, CurrentCursor(), CurrentTime);
      if (keyboard == GrabSuccess && pointer == GrabSuccess) {
        grabbed_ = true;
        break;
      }
      if (keyboard == GrabSuccess) XUngrabKeyboard(display_, CurrentTime);
      if (pointer == GrabSuccess) XUngrabPointer(display_, CurrentTime);
    }
    const timespec pause{0, 10000000};  // 10 ms
    nanosleep(&pause, nullptr);
  }
  XSync(display_, False);
}

bool X11Backend::Dispatch() {
  if (XPending(display_) <= 0) return false;
  XEvent event;
  XNextEvent(display_, &event);
  Translate(event);
  return true;
}

void X11Backend::RefreshCursor() {
  if (window_ == None || destroyed_) return;
  XDefineCursor(display_, window_, CurrentCursor());
  if (grabbed_) {
    XChangeActivePointerGrab(display_, ButtonPressMask | PointerMotionMask, CurrentCursor(), CurrentTime);
  }
  XFlush(display_);
}

bool X11Backend::CursorPosition(CursorPoint& out) {
  Window rootReturn = None;
  Window childReturn = None;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int buttons = 0;
  // False also when the pointer is on another screen of the display.
  if (!XQueryPointer(display_, root_, &rootReturn, &childReturn, &rootX, &rootY, &windowX, &windowY, &buttons)) {
    return false;
  }
  out.x = rootX;
  out.y = rootY;
  return true;
}

void X11Backend::DestroyWindow() {
  DropWindow();
  quit_ = true;
}

void X11Backend::TranslateKey(XKeyEvent& event) {
  unsigned long keysym = XLookupKeysym(&event, 0);
  if (IsKeypadSymbol(keysym)) {
    // The keypad follows Num Lock: digits with it, movement keys without.
    char text[8];
    KeySym shifted = NoSymbol;
    XLookupString(&event, text, sizeof text, &shifted, nullptr);
    if (shifted != NoSymbol) keysym = shifted;
  }
  const TranslatedKey press = x11host::TranslateKey(keysym, event.state, topRow_.Digit(event.keycode));
  if (press.activity) events_->KeyOrButton(press.code);
}

namespace {

// An XCheckIfEvent predicate that takes nothing from the queue: it notes
// whether the last visibility news of the window in `arg` shows it.
Bool NoteVisibility(Display*, XEvent* event, XPointer arg) {
  auto* seen = reinterpret_cast<std::pair<Window, bool>*>(arg);
  if (event->type == VisibilityNotify && event->xvisibility.window == seen->first) {
    seen->second = event->xvisibility.state != VisibilityFullyObscured;
  }
  return False;
}

}  // namespace

// Whether the window, just reported hidden, is already reported seen again.
// A change of the screen's size hides every window for a moment; that is no
// loss of activation.
bool X11Backend::SeenAgainSoon() {
  XSync(display_, False);
  std::pair<Window, bool> seen{window_, false};
  XEvent event;
  XCheckIfEvent(display_, &event, &NoteVisibility, reinterpret_cast<XPointer>(&seen));
  return seen.second;
}

void X11Backend::Translate(XEvent& event) {
  sight_.Note(event);
  if (FollowMonitors(event)) return;
  switch (event.type) {
    case KeyPress:
      TranslateKey(event.xkey);
      break;
    case ButtonPress: {
      const std::uint32_t flags = ButtonFlags(event.xbutton.button, event.xbutton.state);
      if (flags != 0) events_->KeyOrButton(flags);
      break;
    }
    case MotionNotify:
      // The pointer may have moved because the screen shrank under it, the
      // news of which is still on its way.
      if (RootResized()) Relayout();
      events_->PointerMoved();
      break;
    case FocusIn:
      if (event.xfocus.window == window_) {
        hadFocus_ = true;
        events_->Activation(true);
      }
      break;
    case FocusOut:
      // Focus moving because of our own grabs, or to a child, is not a loss.
      if (event.xfocus.window == window_ && hadFocus_ && event.xfocus.mode != NotifyGrab &&
          event.xfocus.mode != NotifyUngrab && event.xfocus.detail != NotifyInferior &&
          event.xfocus.detail != NotifyPointer) {
        events_->Activation(false);
      }
      break;
    case VisibilityNotify:
      if (event.xvisibility.window != window_) break;
      if (event.xvisibility.state == VisibilityFullyObscured) {
        if (!SeenAgainSoon()) events_->Activation(false);
      } else if (event.xvisibility.state == VisibilityPartiallyObscured && saver_) {
        XRaiseWindow(display_, window_);
      }
      break;
    case ClientMessage:
      if (event.xclient.window == window_ && event.xclient.message_type == wmProtocols_ &&
          static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_) {
        // The window manager's close: swallowed while the saver runs.
        if (events_->SystemCommand(true) == Disposition::DefaultProcessing &&
            events_->CloseAsked() == Disposition::DefaultProcessing) {
          DestroyWindow();
        }
      }
      break;
    case ConfigureNotify:
      // The preview fills its parent and follows its size.
      FollowSize(event.xconfigure, destroyed_ ? None : parent_);
      break;
    case DestroyNotify:
      NoteDestroyed(event.xdestroywindow, parent_);
      break;
    default:
      break;
  }
}

}  // namespace x11host
