#pragma once
// The window system of the Linux program, behind one interface: X11
// (host/x11/, XWayland included) or Wayland with layer-shell (host/wayland/).
// The binary holds both; Main.cpp picks one once, at start-up: it is the one
// place where the platform is chosen at run time (ChooseWindowSystem, in
// WindowSystemChoice.h beside this, decides). Everything else of host/linux/
// is the same whatever draws.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "host/SceneLife.h"
#include "host/WindowHandle.h"

class SaverState;

namespace linuxhost {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // The window that has the focus (the owner of a bare "c" switch); 0 if none.
  virtual WindowHandle ForegroundWindow() = 0;
  // Preview and Saver, as the Windows-style switches ask for them.
  virtual void RunSaverWindow(SaverState& state, const SaverRun& run) = 0;
  // For a screen-saver daemon: draws into the existing window `window` (0:
  // the screen's own background) until it goes away or SIGTERM, SIGINT or
  // SIGUSR1 arrives. Input is the daemon's: nothing closes the run on it.
  virtual void RunInWindow(SaverState& state, const SaverRun& run, std::uint32_t window) = 0;
  // The Wayland counterpart of RunInWindow: the desktop's background layer
  // of every output, or of the one named `output`, until SIGTERM, SIGINT or
  // the compositor closes it. Input never reaches it.
  virtual void RunOnBackground(SaverState&, const SaverRun&, const std::string&) {
    std::fputs("zirbel: --layer background needs a Wayland compositor with layer-shell\n", stderr);
  }
};

std::unique_ptr<WindowSystem> CreateX11WindowSystem();
std::unique_ptr<WindowSystem> CreateWaylandWindowSystem();
// Whether the Wayland compositor named by $WAYLAND_DISPLAY can be reached
// and offers layer-shell.
bool WaylandOffersLayerShell();

}  // namespace linuxhost
