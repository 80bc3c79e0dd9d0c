#pragma once
// The window system of the Linux program, behind one interface: X11 today
// (host/x11/). Main.cpp picks it once, at start-up; it is the one place where
// the platform is chosen at run time. Everything else of host/linux/ is the
// same whatever draws the windows.
#include <cstdint>
#include <memory>

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
};

std::unique_ptr<WindowSystem> CreateX11WindowSystem();

}  // namespace linuxhost
