#pragma once
// The saver's own X window, full screen (Saver) or inside a parent window
// (Preview): its cursors, its grabs of keyboard and pointer, and the
// translation of its events into the portable close policy and frame loop.
#include "host/ClosePolicy.h"
#include "host/x11/GlWindow.h"
#include "host/x11/KeyMap.h"

namespace x11host {

// Names the window as the saver's ("SaverWindow", class Zirbel) and lets the
// window manager ask it to close; full screen when asked.
void NameSaverWindow(Display* display, Window window, bool fullScreen);

// The size (and visual) of an existing window; false when there is no such window.
bool MeasureWindow(Display* display, Window window, int* width, int* height, Visual** visual = nullptr);

// A configure event of the window we draw in (`window`) or of the window it
// fills (`parent`): the scene follows the window's new size, and the window
// follows its parent's.
void FollowSize(Display* display, const XConfigureEvent& event, Window window, Window parent, int* width,
                int* height);

class SaverWindow : public GlWindow, public SaverWindowServices {
 public:
  SaverWindow(Connection& connection, SaverState& state, const SaverRun& run);
  ~SaverWindow() override;

  // SceneHost
  SetUpResult SetUp() override;
  void Show() override;
  void DropWindow() override;
  bool HandlePendingEvent() override;
  // Also wakes for the close requests the policy posted.
  bool WaitForEvent(std::int32_t milliseconds) override {
    return pendingCloses_ > 0 || GlWindow::WaitForEvent(milliseconds);
  }

  // SaverWindowServices
  void PostCloseRequest() override { ++pendingCloses_; }
  void RefreshCursor() override;
  bool CursorPosition(CursorPoint& out) override;
  std::uint32_t TickCount() override;
  int VerifyPassword() override;
  void DestroySaverWindow() override;

 private:
  // A screen that shrank moved the pointer inside it; that is no activity.
  void ScreenResized() override { policy_.state.TakeCursorOrigin(*this); }
  bool MeasureTarget();
  bool CreateWindow();
  void CreateCursors();
  Cursor CurrentCursor() const { return policy_.CursorVisible() ? arrowCursor_ : blankCursor_; }
  void HandleClose();
  void Translate(XEvent& event);
  void TranslateKey(XKeyEvent& event);
  bool SeenAgainSoon();

  SaverMode mode_;
  WindowHandle parentHandle_;
  ClosePolicy policy_;
  TopRow topRow_;
  Window parent_ = None;
  Cursor blankCursor_ = None;
  Cursor arrowCursor_ = None;
  Atom wmProtocols_ = None;
  Atom wmDeleteWindow_ = None;
  int pendingCloses_ = 0;
  bool grabbed_ = false;
  bool hadFocus_ = false;
  bool everyMonitor_ = true;
};

}  // namespace x11host
