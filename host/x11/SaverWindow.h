#pragma once
// The saver's own X window, full screen (Saver) or inside a parent window
// (Preview): its cursors, its grabs of keyboard and pointer, and the
// translation of its events into the portable close policy and frame loop.
#include "host/ClosePolicy.h"
#include "host/x11/GlWindow.h"
#include "host/x11/KeyMap.h"

namespace x11host {

class SaverWindow : public GlWindow, public SaverWindowServices {
 public:
  SaverWindow(Connection& connection, SaverState& state, const SaverRun& run);
  ~SaverWindow() override;

  // SceneHost
  SetUpResult SetUp() override;
  void Attach(SceneSet* scenes) override {
    GlWindow::Attach(scenes);
    policy_.scenes = scenes;
  }
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
