#pragma once
// What the saver's own window and the daemons' borrowed window share: the
// connection they draw on, the GL window with its visual, colormap and
// context, its size, whether the picture can be seen, and how the run ends
// when the window goes away.
#include "host/SceneLife.h"
#include "host/x11/Display.h"
#include "host/x11/GlxContext.h"
#include "host/x11/Sightline.h"

namespace x11host {

class GlWindow : public SceneHost {
 public:
  GlWindow(const GlWindow&) = delete;
  GlWindow& operator=(const GlWindow&) = delete;
  ~GlWindow() override;

  int Width() override { return width_; }
  int Height() override { return height_; }
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
};

}  // namespace x11host
