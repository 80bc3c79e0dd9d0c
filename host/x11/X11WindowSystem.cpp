// X11 as one of the Linux program's window systems: the saver's own window
// for /s and /p, the daemons' window for --root and --window-id.
#include "host/SaverState.h"
#include "host/x11/X11Backend.h"
#include "host/x11/X11BorrowedBackend.h"

namespace x11host {

namespace {

std::unique_ptr<WaitingBackend> Make(const SaverState& state, const SaverRun& run) {
  const auto window = static_cast<Window>(run.window);
  const bool allMonitors = state.allMonitors != 0;
  if (run.kind == RunKind::Borrowed) return std::make_unique<X11BorrowedBackend>(window, allMonitors);
  return std::make_unique<X11Backend>(run.kind == RunKind::Saver, window, allMonitors);
}

WindowHandle ForegroundWindow() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 0;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  XCloseDisplay(display);
  if (focus == None || focus == PointerRoot) return 0;
  return static_cast<WindowHandle>(focus);
}

}  // namespace

linuxhost::WindowSystem X11WindowSystem() {
  // No probe: X11 is there wherever nothing else is, XWayland included.
  return {"x11", "X11", "draw through X11 (XWayland too), even under Wayland", kX11Caps, nullptr, &Make,
          &ForegroundWindow};
}

}  // namespace x11host
