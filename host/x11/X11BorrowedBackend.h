#pragma once
// The borrowed-window mode of screen-saver daemons (--root, --window-id):
// the picture is drawn into a window the daemon made (or the root window),
// straight into it when its visual carries GL, else into a child window of
// our own that follows its size. Input is the daemon's; the run ends when
// the window goes away or a stop signal arrives.
#include "host/x11/X11Window.h"

namespace x11host {

class X11BorrowedBackend : public X11Window {
 public:
  // On the root window (`target` None or the root) a kaleidoscope goes on
  // every monitor, or only on the primary when `allMonitors` is false; any
  // other window shows one.
  X11BorrowedBackend(Window target, bool allMonitors);
  ~X11BorrowedBackend() override;

  Opened Open(BackendEvents& events) override;
  void Show() override;
  void DropWindow() override;
  bool Dispatch() override;
  bool QuitRequested() override;
  void DestroyWindow() override { quit_ = true; }

 private:
  bool UseTargetItself();
  bool CreateChild();
  void CheckTarget();

  Window target_;
  bool allMonitors_;
  bool direct_ = false;  // drawing into the target itself, not into our child of it
  std::uint32_t lastCheck_ = 0;
  bool checked_ = false;
};

}  // namespace x11host
