#pragma once
// The one contract between the portable saver and a window system (X11,
// Wayland, Windows, the web page). A backend is one object per run: it opens
// its window or surfaces with the GL context, gives the render targets the
// scenes draw on, translates its events into calls of BackendEvents, and
// offers the few services the close policy needs. Everything it decides by
// itself is its own: its set-up failures and their words, its event loop.
// The portable Driver (host/Driver.h) owns the rest: the scenes, the close
// policy, the posted close requests, the clock and the pacing.
#include <cstdint>
#include <string>
#include <vector>

#include "host/Monitors.h"
#include "host/SaverState.h"

// What a window system offers; each backend's header opens with its own.
struct BackendCaps {
  bool monitors = false;    // a kaleidoscope on each monitor of the saver's window
  bool hotPlug = false;     // follows monitors that come, go or change while it runs
  bool preview = false;     // draws inside another program's window (/p)
  bool borrowed = false;    // draws into a window a screen-saver daemon made (--root, --window-id)
  bool background = false;  // draws as the desktop's background (--layer background)
  bool password = false;    // the system verifies a password before the saver closes
};

// Whether the picture can be seen, as the window system knows it.
enum class Sight {
  Visible,
  Hidden,        // unmapped or fully covered: an event says when that changes
  HiddenPolled,  // the display is off, the parent minimised: only asking again tells
};

// How long the driver waits between two looks while the picture is HiddenPolled.
constexpr std::int32_t kHiddenPollMs = 1000;

// Where scenes are drawn: made current before they draw, presented after.
class RenderTarget {
 public:
  virtual ~RenderTarget() = default;
  // False: nothing can be drawn there now.
  virtual bool MakeCurrent() { return true; }
  // Clears all of it, where no view covers it or none is on it.
  virtual void Clear();
  virtual void Present() = 0;
};

// A target with its size and the views on it (window pixels, the origin at
// the lower-left corner). A target without views stays black; one whose
// views leave gaps is cleared before its scenes draw.
struct TargetViews {
  RenderTarget* target = nullptr;  // null: the context already current, presented by the caller
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<SceneView> views;
};
using SceneLayout = std::vector<TargetViews>;

// The platform's answer to an event: whether it still gets the system's
// default handling.
enum class Disposition {
  DefaultProcessing,  // pass the event on to the platform's default handling
  Handled,            // swallow it (result 0)
};

// What a backend reports, as its events arrive. The driver implements it.
class BackendEvents {
 public:
  virtual ~BackendEvents() = default;
  // The saver's window exists: movement and the grace period count from now.
  virtual void Created() = 0;
  // Activation or deactivation of the window or the application.
  virtual Disposition Activation(bool active) = 0;
  // A key press (virtual-key code, field/KeyCodes.h) or a mouse-button press
  // (the button flags).
  virtual Disposition KeyOrButton(std::uint32_t code) = 0;
  // The pointer moved; its place is read through Backend::CursorPosition.
  virtual Disposition PointerMoved() = 0;
  // The system or the window manager asks the window to close.
  virtual Disposition CloseAsked() = 0;
  // A system command: the close and screen-saver commands are swallowed
  // while the saver runs.
  virtual Disposition SystemCommand(bool closeOrScreenSave) = 0;
  // Whether the cursor shows now (over the saver: only during a password check).
  virtual bool CursorVisible() const = 0;
  // The targets or their views changed (Backend::Layout answers anew).
  virtual void LayoutChanged() = 0;
  // The screen changed under the pointer (a monitor went, the screen shrank):
  // movement is measured afresh from where the pointer is now.
  virtual void ScreenChanged() = 0;
};

// The outcome of opening a backend.
struct Opened {
  enum class Result {
    Ready,   // the window or surfaces and the context exist; the context is current
    Quiet,   // nothing to draw into (a preview parent that is gone): end, having said why on standard error
    Failed,  // nothing can be drawn: `message` says why, in the window system's words
  };
  Result result = Result::Ready;
  std::string message;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // Opens the window or surfaces and the GL context, reporting to `events`
  // from now on (some systems report the window's creation while it is made).
  virtual Opened Open(BackendEvents& events) = 0;
  // The targets and their views as they are now.
  virtual SceneLayout Layout() = 0;
  // The scenes are started: the window shows and takes its input.
  virtual void Show() {}
  // Destroys the window at once, before an error message is shown: a saver
  // window left on screen would cover the message or, closing, take it down.
  virtual void DropWindow() {}
  // Releases what Open made; the scenes are gone by then.
  virtual void Close() = 0;

  // Takes and handles one waiting event; false when none is waiting. (A
  // system that calls in with each of its events, the browser, has none.)
  virtual bool Dispatch() { return false; }
  // True once the window is gone (or a stop signal came) and the run is to end.
  virtual bool QuitRequested() = 0;
  virtual Sight PictureSight() = 0;

  // The close policy's services, where the backend takes input (the saver);
  // a backend without input keeps these answers. The cursor in screen
  // pixels; false when it cannot be read.
  virtual bool CursorPosition(CursorPoint& /*out*/) { return false; }
  // Shows or hides the cursor as BackendEvents::CursorVisible says now.
  virtual void RefreshCursor() {}
  // The system's password check before the saver closes; nonzero: it may.
  virtual int VerifyPassword() { return 1; }
  // Ends the run: the window goes.
  virtual void DestroyWindow() = 0;
};

// A backend whose run waits for its events between frames (every native
// window system); the browser calls the web page in instead.
class WaitingBackend : public Backend {
 public:
  // Waits until an event is waiting or `milliseconds` have passed (negative:
  // no limit); true when it returned for an event (or a stop signal).
  virtual bool Wait(std::int32_t milliseconds) = 0;
};
