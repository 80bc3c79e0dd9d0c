#pragma once
// The borrowed-window mode of screen-saver daemons (--root, --window-id):
// the picture is drawn into a window the daemon made (or the root window),
// straight into it when its visual carries GL, else into a child window of
// our own that follows its size. Input is the daemon's; the run ends when
// the window goes away or a stop signal arrives.
#include "host/SceneLife.h"
#include "host/x11/Display.h"
#include "host/x11/GlxContext.h"
#include "host/x11/Sightline.h"

namespace x11host {

class BorrowedWindow : public SceneHost {
 public:
  BorrowedWindow(Connection& connection, Window target);
  ~BorrowedWindow() override;

  SetUpResult SetUp() override;
  int Width() override { return width_; }
  int Height() override { return height_; }
  void Show() override;
  void DropWindow() override;
  void TearDown() override { context_.Release(); }
  bool HandlePendingEvent() override;
  bool QuitRequested() override;
  void Present() override { glXSwapBuffers(display_, window_); }
  bool WaitForEvent(std::int32_t milliseconds) override {
    return WaitForInput(display_, milliseconds);
  }
  std::uint32_t Milliseconds() override;
  Sight PictureSight() override { return sight_.Now(); }

 private:
  bool UseTargetItself();
  bool CreateChild();
  void CheckTarget();

  Display* display_;
  int screen_;
  Window root_;
  Window target_;
  Window window_ = None;  // the target itself, or our child of it
  bool direct_ = false;
  XVisualInfo* visual_ = nullptr;
  Colormap colormap_ = None;
  GlxContext context_;
  Sightline sight_;
  int width_ = 0;
  int height_ = 0;
  std::uint32_t lastCheck_ = 0;
  bool destroyed_ = false;
  bool quit_ = false;
};

}  // namespace x11host
