// Wayland, with layer-shell, as the Linux program's window system.
#include <cstdio>

#include "host/SaverState.h"
#include "host/System.h"
#include "host/linux/WindowSystem.h"
#include "host/wayland/WaylandSaver.h"

namespace waylandhost {

namespace {

class WaylandWindowSystem : public linuxhost::WindowSystem {
 public:
  // Wayland tells no client which window has the focus.
  WindowHandle ForegroundWindow() override { return 0; }

  void RunSaverWindow(SaverState& state, const SaverRun& run) override {
    if (run.mode != SaverMode::Saver) {
      std::fputs("zirbel: a preview draws into an X window: run it with --x11\n", stderr);
      return;
    }
    WaylandSaver saver(state, Layer::Overlay, std::string());
    RunScene(saver, run, state, &platform::ShowErrorMessage);
  }

  void RunInWindow(SaverState&, const SaverRun&, std::uint32_t) override {
    std::fputs("zirbel: --root and --window-id draw into X windows: run it with --x11\n", stderr);
  }

  void RunOnBackground(SaverState& state, const SaverRun& run, const std::string& output) override {
    WaylandSaver saver(state, Layer::Background, output);
    RunScene(saver, run, state, &platform::ShowErrorMessage);
  }
};

}  // namespace

}  // namespace waylandhost

std::unique_ptr<linuxhost::WindowSystem> linuxhost::CreateWaylandWindowSystem() {
  return std::make_unique<waylandhost::WaylandWindowSystem>();
}

bool linuxhost::WaylandOffersLayerShell() { return waylandhost::OffersLayerShell(); }
