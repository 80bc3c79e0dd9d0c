#pragma once
// zirbel --on-idle: the session's idle watcher. It runs the full-screen saver
// (this program with /s, as a child) each time the user has been idle for
// the delay, steps aside for inhibitors and the session's lock, and locks the
// session when a saver it started ends badly after the grace period.
class SaverState;

namespace linuxhost {

// Runs the watcher until Quit, SIGTERM or SIGINT, or until its idle source
// goes; the process's exit code: 0, or 1 when another watcher runs or nothing
// here tells idleness.
int RunIdleWatcher(const SaverState& state);

}  // namespace linuxhost
