#pragma once
// What the saver's own window and the daemons' borrowed window share: the
// connection they draw on, the GL window with its visual, colormap and
// context, its size, whether the picture can be seen, and how the run ends
// when the window goes away.
#include "host/SceneLife.h"
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

class GlWindow : public SceneHost {
 public:
  GlWindow(const GlWindow&) = delete;
  GlWindow& operator=(const GlWindow&) = delete;
  ~GlWindow() override;

  int Width() override { return width_; }
  int Height() override { return height_; }
  // One view per monitor for a window that spans them, else the whole window.
  std::vector<SceneView> Views() override;
  void TearDown() override { context_.Release(); }
  bool QuitRequested() override;
  void Present() override { glXSwapBuffers(display_, window_); }
  bool WaitForEvent(std::int32_t milliseconds) override { return WaitForInput(display_, milliseconds); }
  std::uint32_t Milliseconds() override;
  Sight PictureSight() override { return sight_.Now(); }

 protected:
  explicit GlWindow(Connection& connection);

  // Creates the rendering context on `window_` with `visual_`: Ready, or
  // FormatNotSet (with a line on standard error) when it cannot be made.
  SetUpResult CreateContext();
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
  // The root window changed size under a window that spans the monitors.
  virtual void ScreenResized() {}
  // A configure event of the window we draw in or of the window it fills
  // (`parent`): the scenes follow the window's new size, and the window
  // follows its parent's.
  void FollowSize(const XConfigureEvent& event, Window parent);

  Display* display_;
  int screen_;
  Window root_;
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
  ScreenMonitors monitors_;
  bool spansMonitors_ = false;
  bool allMonitors_ = true;
  std::vector<SceneView> views_;
};

}  // namespace x11host
