// The saver window on X11 with a GLX context, and its event loop. The loop
// only translates X events into the portable close policy and main loop.
#include "host/ClosePolicy.h"
#include "host/Entry.h"
#include "host/FrameLoop.h"
#include "host/Platform.h"
#include "host/SaverState.h"
#include "host/x11/HackRun.h"
#include "host/x11/KeyMap.h"
#include "scene/KaleidoScene.h"

// After the project's headers: Xlib defines None, which SaverMode also names.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char* const kNoVisualMessage = "ChoosePixelFormat() failed:  Cannot find a suitable pixel format.";
const char* const kNoContextMessage = "SetPixelFormat() failed:  Cannot set format specified.";

// X errors (a preview parent that is gone, a focus change on a window that is
// not viewable) must not end the process; they are noted and checked where
// they matter.
int gLastXError = 0;
// The resource of the last error that said a window or drawable is gone.
XID gLostResource = None;
int NoteXError(Display*, XErrorEvent* event) {
  gLastXError = event->error_code;
  if (event->error_code == BadWindow || event->error_code == BadDrawable) gLostResource = event->resourceid;
  return 0;
}

// The X server went away (it ended, or the connection broke). Xlib ends the
// process with code 1 unless this handler leaves first; nothing is left to
// save or to give back to a server that is gone, so end at once with the
// saver's exit code 0 instead of failing or drawing on.
int EndOnLostServer(Display*) {
  static const char kMessage[] = "zirbel: the connection to the X server was lost\n";
  const ssize_t written = write(2, kMessage, sizeof kMessage - 1);
  (void)written;
  _exit(0);
}

// SIGTERM, SIGINT and SIGUSR1 end the run cleanly: the loop sees the flag at
// its next turn, and a sleep in progress is cut short.
volatile sig_atomic_t gStopSignal = 0;
void NoteStopSignal(int signal) { gStopSignal = signal; }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = &NoteStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleep returns at once
  for (int signal : {SIGTERM, SIGINT, SIGUSR1}) sigaction(signal, &action, nullptr);
}

// The visual of an existing window, if it can carry a double-buffered RGBA
// GL context; null otherwise.
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

class X11SaverWindow : public SaverWindowServices, public FrameLoopHost {
 public:
  // `attach`: draw into that existing window (a daemon's), not a window of
  // our own; None for the Windows-style modes.
  X11SaverWindow(Display* display, SaverState& state, SaverMode mode, Window attach = None)
      : display_(display),
        screen_(DefaultScreen(display)),
        root_(RootWindow(display, DefaultScreen(display))),
        mode_(mode),
        policy_{state, *this, mode, &gScene},
        attach_(attach) {}

  ~X11SaverWindow() override {
    if (window_ != None && !destroyed_ && ownsWindow_) XDestroyWindow(display_, window_);
    // A window lent to us gets its own background back (the desktop, when it
    // is the root window), not our last frame.
    if (window_ != None && !destroyed_ && !ownsWindow_) XClearWindow(display_, window_);
    if (grabbed_) {
      XUngrabKeyboard(display_, CurrentTime);
      XUngrabPointer(display_, CurrentTime);
    }
    if (blankCursor_ != None) XFreeCursor(display_, blankCursor_);
    if (arrowCursor_ != None) XFreeCursor(display_, arrowCursor_);
    if (colormap_ != None) XFreeColormap(display_, colormap_);
    if (visual_ != nullptr) XFree(visual_);
    XSync(display_, False);
  }

  // The size of the window to be: the parent's in Preview, the screen's
  // otherwise. False when the preview parent does not exist.
  bool MeasureTarget(WindowHandle parent) {
    if (attach_ != None) return MeasureAttached();
    if (mode_ != SaverMode::Preview) {
      width_ = DisplayWidth(display_, screen_);
      height_ = DisplayHeight(display_, screen_);
      return true;
    }
    if (parent == 0) return false;
    parent_ = static_cast<Window>(parent);
    XWindowAttributes attributes;
    gLastXError = 0;
    if (XGetWindowAttributes(display_, parent_, &attributes) == 0 || gLastXError != 0) return false;
    width_ = attributes.width;
    height_ = attributes.height;
    return true;
  }

  bool ChooseVisual() {
    int request[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display_, &errorBase, &eventBase)) return false;
    if (attach_ != None) {
      // Draw straight into the daemon's window when its visual allows GL;
      // otherwise into a child of it with a visual of our own.
      visual_ = GlVisualOf(display_, attachedVisual_, screen_);
      if (visual_ != nullptr) {
        direct_ = true;
        return true;
      }
      parent_ = attach_;
    }
    visual_ = glXChooseVisual(display_, screen_, request);
    return visual_ != nullptr;
  }

  bool CreateWindow() {
    if (direct_) return UseAttachedWindow();
    const Window parent = mode_ == SaverMode::Preview ? parent_ : root_;
    colormap_ = XCreateColormap(display_, root_, visual_->visual, AllocNone);
    CreateCursors();

    XSetWindowAttributes attributes{};
    attributes.colormap = colormap_;
    attributes.background_pixel = BlackPixel(display_, screen_);
    attributes.border_pixel = 0;
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    unsigned long mask = CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWCursor;
    if (mode_ == SaverMode::Saver) {
      // Above everything, with or without a window manager.
      attributes.override_redirect = True;
      attributes.event_mask |= KeyPressMask | ButtonPressMask | PointerMotionMask | FocusChangeMask |
                               VisibilityChangeMask;
      attributes.cursor = blankCursor_;
      mask |= CWOverrideRedirect;
    } else if (attach_ != None) {
      mask &= ~static_cast<unsigned long>(CWCursor);  // the daemon's cursor (usually none) shows through
    } else {
      attributes.cursor = arrowCursor_;
    }
    const int width = width_ > 0 ? width_ : 1;
    const int height = height_ > 0 ? height_ : 1;
    gLastXError = 0;
    window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            visual_->depth, InputOutput, visual_->visual, mask, &attributes);
    XSync(display_, False);
    if (window_ == None || gLastXError != 0) {
      window_ = None;
      return false;
    }
    if (mode_ == SaverMode::Preview) XSelectInput(display_, parent_, StructureNotifyMask);

    XStoreName(display_, window_, "SaverWindow");
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const char* title = "SaverWindow";
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
    XClassHint classHint;
    classHint.res_name = const_cast<char*>("zirbel");
    classHint.res_class = const_cast<char*>("Zirbel");
    XSetClassHint(display_, window_, &classHint);
    wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
    wmDeleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &wmDeleteWindow_, 1);
    if (mode_ == SaverMode::Saver) {
      const Atom state = XInternAtom(display_, "_NET_WM_STATE", False);
      const Atom fullscreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
      XChangeProperty(display_, window_, state, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&fullscreen), 1);
    }
    policy_.OnCreate(static_cast<WindowHandle>(window_));
    return true;
  }

  bool CreateContext() {
    context_ = glXCreateContext(display_, visual_, nullptr, True);
    if (context_ == nullptr) return false;
    if (!glXMakeCurrent(display_, window_, context_)) {
      glXDestroyContext(display_, context_);
      context_ = nullptr;
      return false;
    }
    return true;
  }

  void ReleaseContext() {
    if (context_ == nullptr) return;
    glXMakeCurrent(display_, None, nullptr);
    glXDestroyContext(display_, context_);
    context_ = nullptr;
  }

  // Destroys the window now (before an error message, which it would cover).
  void DropWindow() {
    if (window_ != None && !destroyed_ && ownsWindow_) XDestroyWindow(display_, window_);
    destroyed_ = true;
    XSync(display_, False);
  }

  void Show() {
    if (direct_) return;  // the daemon maps its own window
    XMapRaised(display_, window_);
    XSync(display_, False);
    if (mode_ != SaverMode::Saver) return;
    // Input must reach the saver: take the focus and grab keyboard and
    // pointer once the window is viewable.
    for (int attempt = 0; attempt < 100 && !grabbed_; ++attempt) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display_, window_, &attributes) != 0 && attributes.map_state == IsViewable) {
        gLastXError = 0;
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

  void Present() override { glXSwapBuffers(display_, window_); }
  void Sleep(std::int32_t milliseconds) override {
    if (milliseconds <= 0) return;
    timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
      if (gStopSignal != 0) return;
    }
  }
  bool QuitRequested() override {
    if (gStopSignal != 0) quit_ = true;
    if (!quit_ && attach_ != None) CheckAttachedWindow();
    return quit_;
  }

  bool HandlePendingEvent() override {
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

  // SaverWindowServices
  void PostCloseRequest() override { ++pendingCloses_; }
  void RefreshCursor() override {
    if (window_ == None || destroyed_) return;
    XDefineCursor(display_, window_, CurrentCursor());
    if (grabbed_) {
      XChangeActivePointerGrab(display_, ButtonPressMask | PointerMotionMask, CurrentCursor(), CurrentTime);
    }
    XFlush(display_);
  }
  CursorPoint CursorPosition() override {
    Window rootReturn = None;
    Window childReturn = None;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    CursorPoint point;
    if (XQueryPointer(display_, root_, &rootReturn, &childReturn, &rootX, &rootY, &windowX, &windowY, &buttons)) {
      point.x = rootX;
      point.y = rootY;
    }
    return point;
  }
  std::uint32_t TickCount() override { return platform::TickCount(); }
  int VerifyPassword() override { return platform::VerifySaverPassword(static_cast<WindowHandle>(window_)); }
  void DestroySaverWindow() override {
    DropWindow();
    quit_ = true;
  }

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool MeasureAttached() {
    XWindowAttributes attributes;
    gLastXError = 0;
    if (XGetWindowAttributes(display_, attach_, &attributes) == 0 || gLastXError != 0) return false;
    width_ = attributes.width;
    height_ = attributes.height;
    attachedVisual_ = attributes.visual;
    return true;
  }

  // The daemon's window becomes ours to draw in; its size changes and its
  // destruction reach us, its input does not.
  bool UseAttachedWindow() {
    window_ = attach_;
    ownsWindow_ = false;
    gLastXError = 0;
    XSelectInput(display_, window_, StructureNotifyMask | ExposureMask);
    XSync(display_, False);
    if (gLastXError != 0) {
      window_ = None;
      return false;
    }
    policy_.OnCreate(static_cast<WindowHandle>(window_));
    return true;
  }

  // A window that went away without our noticing (its destruction came
  // before we listened, or the server answered a draw with an error) ends the
  // run instead of leaving it drawing into nothing. Asked at most every
  // quarter second.
  void CheckAttachedWindow() {
    const Window watched = direct_ ? window_ : parent_;
    if (gLostResource != None && (gLostResource == watched || gLostResource == window_)) {
      destroyed_ = true;
      quit_ = true;
      return;
    }
    const std::uint32_t now = platform::TickCount();
    if (now - lastCheck_ < 250) return;
    lastCheck_ = now;
    XWindowAttributes attributes;
    gLastXError = 0;
    if (XGetWindowAttributes(display_, watched, &attributes) == 0 || gLastXError != 0) {
      destroyed_ = true;
      quit_ = true;
    }
  }

  void CreateCursors() {
    static const char kEmpty[8] = {};
    const Pixmap pixmap = XCreateBitmapFromData(display_, root_, kEmpty, 8, 8);
    XColor black{};
    blankCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display_, pixmap);
    arrowCursor_ = XCreateFontCursor(display_, XC_left_ptr);
  }

  Cursor CurrentCursor() const { return policy_.CursorVisible() ? arrowCursor_ : blankCursor_; }

  // A close request reached the window; by default it is destroyed.
  void HandleClose() {
    if (policy_.OnClose() == Disposition::DefaultProcessing) DestroySaverWindow();
  }

  void Translate(XEvent& event) {
    switch (event.type) {
      case KeyPress: {
        unsigned long keysym = XLookupKeysym(&event.xkey, 0);
        if (x11host::IsKeypadSymbol(keysym)) {
          // The keypad follows Num Lock: digits with it, movement keys without.
          char text[8];
          KeySym shifted = NoSymbol;
          XLookupString(&event.xkey, text, sizeof text, &shifted, nullptr);
          if (shifted != NoSymbol) keysym = shifted;
        }
        const x11host::TranslatedKey press = x11host::TranslateKey(keysym, event.xkey.state);
        if (press.activity) policy_.OnKeyOrButton(press.code);
        break;
      }
      case ButtonPress: {
        const std::uint32_t flags = x11host::ButtonFlags(event.xbutton.button, event.xbutton.state);
        if (flags != 0) policy_.OnKeyOrButton(flags);
        break;
      }
      case MotionNotify:
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
          policy_.OnActivation(false);
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
        if (event.xconfigure.window == window_) {
          if (event.xconfigure.width != width_ || event.xconfigure.height != height_) {
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            if (gScene != nullptr) gScene->Resize(width_, height_);
          }
        } else if (mode_ == SaverMode::Preview && event.xconfigure.window == parent_ && !destroyed_) {
          // The preview fills its parent and follows its size.
          XResizeWindow(display_, window_, static_cast<unsigned>(event.xconfigure.width > 0 ? event.xconfigure.width : 1),
                        static_cast<unsigned>(event.xconfigure.height > 0 ? event.xconfigure.height : 1));
        }
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_ || event.xdestroywindow.window == parent_) {
          destroyed_ = true;
          quit_ = true;
        }
        break;
      default:
        break;
    }
  }

  Display* display_;
  int screen_;
  Window root_;
  SaverMode mode_;
  ClosePolicy policy_;
  Window attach_ = None;
  Visual* attachedVisual_ = nullptr;
  bool direct_ = false;
  bool ownsWindow_ = true;
  std::uint32_t lastCheck_ = 0;
  Window parent_ = None;
  Window window_ = None;
  XVisualInfo* visual_ = nullptr;
  Colormap colormap_ = None;
  Cursor blankCursor_ = None;
  Cursor arrowCursor_ = None;
  GLXContext context_ = nullptr;
  Atom wmProtocols_ = None;
  Atom wmDeleteWindow_ = None;
  int width_ = 0;
  int height_ = 0;
  int pendingCloses_ = 0;
  bool grabbed_ = false;
  bool hadFocus_ = false;
  bool destroyed_ = false;
  bool quit_ = false;
};

void RunWindow(Display* display, SaverState& state, WindowHandle parent, Window attach = None) {
  X11SaverWindow saver(display, state, gSaverMode, attach);
  // A preview parent that does not exist ends the run quietly.
  if (!saver.MeasureTarget(parent)) {
    if (attach != None) std::fprintf(stderr, "zirbel: there is no window 0x%lx to draw into\n", attach);
    return;
  }
  if (!saver.ChooseVisual()) {
    std::fprintf(stderr, "zirbel: the display offers no double-buffered RGBA visual with GLX\n");
    platform::ShowErrorMessage(kNoVisualMessage);
    return;
  }
  if (!saver.CreateWindow()) return;
  if (!saver.CreateContext()) {
    saver.DropWindow();
    std::fprintf(stderr, "zirbel: cannot create or bind a GLX rendering context\n");
    platform::ShowErrorMessage(kNoContextMessage);
    return;
  }

  KaleidoScene* scene = new (std::nothrow) KaleidoScene();
  if (scene == nullptr) {
    saver.ReleaseContext();
    return;
  }
  scene->Init(saver.width(), saver.height());
  if (x11host::gRunOverrides.levels > 0) scene->levels = x11host::gRunOverrides.levels;
  gScene = scene;
  saver.Show();

  SceneRenderer renderer(*scene);
  RunFrameLoop(saver, renderer, state.useMirrors);

  scene->Teardown();  // with the context still current
  gScene = nullptr;
  delete scene;
  saver.ReleaseContext();
}

}  // namespace

namespace platform {

void RunSaverWindow(SaverState& state, WindowHandle parent, int /*showWindow*/) {
  CatchStopSignals();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "zirbel: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
    ShowErrorMessage(kNoVisualMessage);
    return;
  }
  XErrorHandler previous = XSetErrorHandler(&NoteXError);
  XSetIOErrorHandler(&EndOnLostServer);
  RunWindow(display, state, parent);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
}

}  // namespace platform

namespace x11host {

RunOverrides gRunOverrides;

void RunInWindow(SaverState& state, std::uint32_t window) {
  CatchStopSignals();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "zirbel: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
    return;
  }
  XErrorHandler previous = XSetErrorHandler(&NoteXError);
  XSetIOErrorHandler(&EndOnLostServer);
  const Window target = window != 0 ? static_cast<Window>(window) : DefaultRootWindow(display);
  RunWindow(display, state, 0, target);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
}

}  // namespace x11host
