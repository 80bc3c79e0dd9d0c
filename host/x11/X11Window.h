#pragma once
// What the two X11 backends share, the saver's own window and the daemons'
// borrowed one: the display connection, the GL window with its visual,
// colormap and context, its size and views, whether the picture can be seen,
// and how the run ends when the window goes away. The window is the one
// render target; a window over the whole screen has a view per monitor.
#include <string>
#include <vector>

#include "host/Backend.h"
#include "host/x11/Display.h"
#include "host/x11/GlxContext.h"
#include "host/x11/ScreenMonitors.h"
#include "host/x11/Sightline.h"

namespace x11host {

// Names the window as the saver's ("SaverWindow", class Zirbel) and lets the
// window manager ask it to close; full screen when asked.
void NameSaverWindow(Display* display, Window window, bool fullScreen);

// The size (and visual) of an existing window; false when there is no such window.
bool MeasureWindow(Display* display, Window window, int* width, int* height, Visual** visual = nullptr);

// The failure of a display without a double-buffered RGBA visual with GLX.
Opened NoGlxVisual();

class X11Window : public WaitingBackend, public RenderTarget {
 public:
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;
  ~X11Window() override;

  // Backend
  SceneLayout Layout() override { return SceneLayout{{this, width_, height_, Views()}}; }
  void Close() override { context_.Release(); }
  bool QuitRequested() override;
  bool Wait(std::int32_t milliseconds) override { return WaitForInput(display_, milliseconds); }
  Sight PictureSight() override { return sight_.Now(); }

  // RenderTarget
  void Present() override { glXSwapBuffers(display_, window_); }

 protected:
  X11Window() = default;

  // Opens the connection and takes the events' receiver; false when there is
  // no display.
  bool Connect(BackendEvents& events);
  // The failure of a display that cannot be opened.
  static std::string NoDisplay();
  // Creates the rendering context on `window_` with `visual_`: Ready, or a
  // failure when it cannot be made.
  Opened CreateContext();
  // The window we draw in, or the window it fills (`filled`), went away: the
  // run ends.
  void NoteDestroyed(const XDestroyWindowEvent& event, Window filled);
  // The window covers the root window and shows a kaleidoscope on every
  // monitor (only on the primary when `allMonitors` is false), following the
  // monitors as they change.
  void SpanMonitors(bool allMonitors);
  // For an event that may mean other monitors or another root size: the
  // window takes the root's size and the scenes the monitors' places. True
  // when the event was such and is handled.
  bool FollowMonitors(XEvent& event);
  // Whether the root window's size is no longer the one the scenes were laid
  // out for; then Relayout follows it.
  bool RootResized();
  void Relayout();
  // A configure event of the window we draw in or of the window it fills
  // (`parent`): the scenes follow the window's new size, and the window
  // follows its parent's.
  void FollowSize(const XConfigureEvent& event, Window parent);

  Connection connection_;
  BackendEvents* events_ = nullptr;
  Display* display_ = nullptr;
  int screen_ = 0;
  Window root_ = None;
  Window window_ = None;
  XVisualInfo* visual_ = nullptr;
  Colormap colormap_ = None;
  GlxContext context_;
  Sightline sight_;
  int width_ = 0;
  int height_ = 0;
  bool destroyed_ = false;
  bool quit_ = false;

 private:
  // One view per monitor for a window that spans them, else the whole window.
  std::vector<SceneView> Views() const { return spansMonitors_ ? views_ : WholeWindow(width_, height_); }
  std::vector<SceneView> MonitorViews() const;

  ScreenMonitors monitors_;
  bool spansMonitors_ = false;
  bool allMonitors_ = true;
  std::vector<SceneView> views_;
};

}  // namespace x11host
