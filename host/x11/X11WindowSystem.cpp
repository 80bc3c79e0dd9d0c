// X11 as the Linux program's window system.
#include "host/SaverState.h"
#include "host/System.h"
#include "host/linux/WindowSystem.h"
#include "host/x11/BorrowedWindow.h"
#include "host/x11/SaverWindow.h"

namespace x11host {

namespace {

class X11WindowSystem : public linuxhost::WindowSystem {
 public:
  WindowHandle ForegroundWindow() override {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    XCloseDisplay(display);
    if (focus == None || focus == PointerRoot) return 0;
    return static_cast<WindowHandle>(focus);
  }

  void RunSaverWindow(SaverState& state, const SaverRun& run) override {
    Connection connection;
    if (!connection.Open()) {
      platform::ShowErrorMessage(SetUpMessage(SetUpResult::NoPixelFormat));
      return;
    }
    SaverWindow window(connection, state, run);
    RunScene(window, run, state, &platform::ShowErrorMessage);
  }

  void RunInWindow(SaverState& state, const SaverRun& run, std::uint32_t target) override {
    Connection connection;
    if (!connection.Open()) return;
    BorrowedWindow window(connection, static_cast<Window>(target), state.allMonitors != 0);
    RunScene(window, run, state, &platform::ShowErrorMessage);
  }
};

}  // namespace

}  // namespace x11host

std::unique_ptr<linuxhost::WindowSystem> linuxhost::CreateX11WindowSystem() {
  return std::make_unique<x11host::X11WindowSystem>();
}
