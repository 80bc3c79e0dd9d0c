#pragma once
// Running the saver for a screen-saver daemon: in a window the daemon made,
// with the options given on the command line.
#include <cstdint>

class SaverState;

namespace x11host {

// What the command line sets for this run only, over the stored settings.
struct RunOverrides {
  std::int32_t useMirrors = -1;  // -1: the stored setting
  std::int32_t levels = 0;       // 0: the scene's starting count
};
extern RunOverrides gRunOverrides;

// Draws into the existing window `window` (0: the root window) until the
// window goes away or SIGTERM, SIGINT or SIGUSR1 arrives. Input is left to
// the daemon: nothing is grabbed and nothing closes the run. Follows the
// window's size.
void RunInWindow(SaverState& state, std::uint32_t window);

}  // namespace x11host
