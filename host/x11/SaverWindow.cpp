#include "host/x11/SaverWindow.h"

#include "host/System.h"

// After the project's headers: Xlib defines None, which SaverMode also names.
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <cstdio>
#include <utility>

namespace x11host {

SaverWindow::SaverWindow(Connection& connection, SaverState& state, const SaverRun& run)
    : GlWindow(connection),
      mode_(run.mode),
      parentHandle_(run.parent),
      policy_{state, *this, run.mode},
      everyMonitor_(state.allMonitors != 0) {}

SaverWindow::~SaverWindow() {
  if (window_ != None && !destroyed_) XDestroyWindow(display_, window_);
  if (grabbed_) {
    XUngrabKeyboard(display_, CurrentTime);
    XUngrabPointer(display_, CurrentTime);
  }
  if (blankCursor_ != None) XFreeCursor(display_, blankCursor_);
  if (arrowCursor_ != None) XFreeCursor(display_, arrowCursor_);
}

SetUpResult SaverWindow::SetUp() {
  // A preview parent that does not exist ends the run quietly.
  if (!MeasureTarget()) return SetUpResult::Quiet;
  visual_ = HasGlx(display_) ? ChooseGlVisual(display_, screen_) : nullptr;
  if (visual_ == nullptr) {
    std::fprintf(stderr, "zirbel: the display offers no double-buffered RGBA visual with GLX\n");
    return SetUpResult::NoPixelFormat;
  }
  if (!CreateWindow()) return SetUpResult::Quiet;
  // Full screen covers every monitor, each with a kaleidoscope of its own.
  if (mode_ == SaverMode::Saver) SpanMonitors(everyMonitor_);
  return CreateContext();
}

// The size of the window to be: the parent's in Preview, the screen's
// otherwise. False when the preview parent does not exist.
bool SaverWindow::MeasureTarget() {
  if (mode_ != SaverMode::Preview) {
    width_ = DisplayWidth(display_, screen_);
    height_ = DisplayHeight(display_, screen_);
    return true;
  }
  if (parentHandle_ == 0) return false;
  parent_ = static_cast<Window>(parentHandle_);
  return MeasureWindow(display_, parent_, &width_, &height_);
}

bool SaverWindow::CreateWindow() {
  colormap_ = XCreateColormap(display_, root_, visual_->visual, AllocNone);
  CreateCursors();
  XSetWindowAttributes attributes{};
  attributes.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
  unsigned long mask = CWEventMask | CWCursor;
  attributes.cursor = arrowCursor_;
  if (mode_ == SaverMode::Saver) {
    // Above everything, with or without a window manager.
    attributes.override_redirect = True;
    attributes.event_mask |= KeyPressMask | ButtonPressMask | PointerMotionMask | FocusChangeMask;
    attributes.cursor = blankCursor_;
    mask |= CWOverrideRedirect;
  }
  const Window parent = mode_ == SaverMode::Preview ? parent_ : root_;
  window_ = CreateGlWindow(display_, parent, *visual_, colormap_, width_, height_, attributes, mask);
  if (window_ == None) return false;
  if (mode_ == SaverMode::Preview) XSelectInput(display_, parent_, StructureNotifyMask);
  NameSaverWindow(display_, window_, mode_ == SaverMode::Saver);
  wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
  wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  policy_.OnCreate();
  topRow_.Read(display_);
  return true;
}

void SaverWindow::CreateCursors() {
  static const char kEmpty[8] = {};
  const Pixmap pixmap = XCreateBitmapFromData(display_, root_, kEmpty, 8, 8);
  XColor black{};
  blankCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
  XFreePixmap(display_, pixmap);
  arrowCursor_ = XCreateFontCursor(display_, XC_left_ptr);
}

void SaverWindow::DropWindow() {
  if (window_ != None && !destroyed_) XDestroyWindow(display_, window_);
  destroyed_ = true;
  XSync(display_, False);
}

void SaverWindow::Show() {
  XMapRaised(display_, window_);
  XSync(display_, False);
  sight_.Watch(display_, window_, parent_);
  if (mode_ != SaverMode::Saver) return;
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
    platform::SleepMilliseconds(10);
  }
  XSync(display_, False);
}

bool SaverWindow::HandlePendingEvent() {
  // Close requests posted by the policy come first, as posted messages do.
  if (pendingCloses_ > 0) {
    --pendingCloses_;
    if (!destroyed_) HandleClose();
    return true;
  }
  if (XPending(display_) <= 0) return false;
  XEvent event;
  XNextEvent(display_, &event);
  Translate(event);
  return true;
}

void SaverWindow::RefreshCursor() {
  if (window_ == None || destroyed_) return;
  XDefineCursor(display_, window_, CurrentCursor());
  if (grabbed_) {
    XChangeActivePointerGrab(display_, ButtonPressMask | PointerMotionMask, CurrentCursor(), CurrentTime);
  }
  XFlush(display_);
}

bool SaverWindow::CursorPosition(CursorPoint& out) {
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

std::uint32_t SaverWindow::TickCount() { return platform::TickCount(); }

int SaverWindow::VerifyPassword() { return platform::VerifySaverPassword(static_cast<WindowHandle>(window_)); }

void SaverWindow::DestroySaverWindow() {
  DropWindow();
  quit_ = true;
}

// A close request reached the window; by default it is destroyed.
void SaverWindow::HandleClose() {
  if (policy_.OnClose() == Disposition::DefaultProcessing) DestroySaverWindow();
}

void SaverWindow::TranslateKey(XKeyEvent& event) {
  unsigned long keysym = XLookupKeysym(&event, 0);
  if (IsKeypadSymbol(keysym)) {
    // The keypad follows Num Lock: digits with it, movement keys without.
    char text[8];
    KeySym shifted = NoSymbol;
    XLookupString(&event, text, sizeof text, &shifted, nullptr);
    if (shifted != NoSymbol) keysym = shifted;
  }
  const TranslatedKey press = x11host::TranslateKey(keysym, event.state, topRow_.Digit(event.keycode));
  if (press.activity) policy_.OnKeyOrButton(press.code);
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
bool SaverWindow::SeenAgainSoon() {
  XSync(display_, False);
  std::pair<Window, bool> seen{window_, false};
  XEvent event;
  XCheckIfEvent(display_, &event, &NoteVisibility, reinterpret_cast<XPointer>(&seen));
  return seen.second;
}

void SaverWindow::Translate(XEvent& event) {
  sight_.Note(event);
  if (FollowMonitors(event)) return;
  switch (event.type) {
    case KeyPress:
      TranslateKey(event.xkey);
      break;
    case ButtonPress: {
      const std::uint32_t flags = ButtonFlags(event.xbutton.button, event.xbutton.state);
      if (flags != 0) policy_.OnKeyOrButton(flags);
      break;
    }
    case MotionNotify:
      // The pointer may have moved because the screen shrank under it, the
      // news of which is still on its way.
      if (RootResized()) Relayout();
      policy_.OnMouseMove();
      break;
    case FocusIn:
      if (event.xfocus.window == window_) {
        hadFocus_ = true;
        policy_.OnActivation(true);
      }
      break;
    case FocusOut:
      // Focus moving because of our own grabs, or to a child, is not a loss.
      if (event.xfocus.window == window_ && hadFocus_ && event.xfocus.mode != NotifyGrab &&
          event.xfocus.mode != NotifyUngrab && event.xfocus.detail != NotifyInferior &&
          event.xfocus.detail != NotifyPointer) {
        policy_.OnActivation(false);
      }
      break;
    case VisibilityNotify:
      if (event.xvisibility.window != window_) break;
      if (event.xvisibility.state == VisibilityFullyObscured) {
        if (!SeenAgainSoon()) policy_.OnActivation(false);
      } else if (event.xvisibility.state == VisibilityPartiallyObscured && mode_ == SaverMode::Saver) {
        XRaiseWindow(display_, window_);
      }
      break;
    case ClientMessage:
      if (event.xclient.window == window_ && event.xclient.message_type == wmProtocols_ &&
          static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow_) {
        // The window manager's close: swallowed while the saver runs.
        if (policy_.OnSystemCommand(true) == Disposition::DefaultProcessing) HandleClose();
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
