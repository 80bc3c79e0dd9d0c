// Wayland, with layer-shell, as one of the Linux program's window systems:
// the saver on the overlay layer, the desktop's background layer.
#include "host/SaverState.h"
#include "host/wayland/WaylandBackend.h"

namespace waylandhost {

namespace {

std::unique_ptr<WaitingBackend> Make(const SaverState& state, const SaverRun& run) {
  const Layer layer = run.kind == RunKind::Background ? Layer::Background : Layer::Overlay;
  return std::make_unique<WaylandBackend>(layer, run.output, state.allMonitors != 0);
}

// Wayland tells no client which window has the focus.
WindowHandle NoForegroundWindow() { return 0; }

}  // namespace

linuxhost::WindowSystem WaylandWindowSystem() {
  return {"wayland", "Wayland", "draw through Wayland's layer-shell, without asking", kWaylandCaps,
          &OffersLayerShell, &Make, &NoForegroundWindow};
}

}  // namespace waylandhost
