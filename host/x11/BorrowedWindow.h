#pragma once
// The borrowed-window mode of screen-saver daemons (--root, --window-id):
// the picture is drawn into a window the daemon made (or the root window),
// straight into it when its visual carries GL, else into a child window of
// our own that follows its size. Input is the daemon's; the run ends when
// the window goes away or a stop signal arrives.
#include "host/x11/GlWindow.h"

namespace x11host {

class BorrowedWindow : public GlWindow {
 public:
  // On the root window (`target` None or the root) a kaleidoscope goes on
  // every monitor, or only on the primary when `allMonitors` is false; any
  // other window shows one.
  BorrowedWindow(Connection& connection, Window target, bool allMonitors);
  ~BorrowedWindow() override;

  SetUpResult SetUp() override;
  void Show() override;
  void DropWindow() override;
  bool HandlePendingEvent() override;
  bool QuitRequested() override;

 private:
  bool UseTargetItself();
  bool CreateChild();
  void CheckTarget();

  Window target_;
  bool allMonitors_;
  bool direct_ = false;  // drawing into the target itself, not into our child of it
  std::uint32_t lastCheck_ = 0;
};

}  // namespace x11host
