#pragma once
// SIGTERM, SIGINT and SIGUSR1 end a run cleanly, whatever window system draws
// it: the loop sees the flag at its next turn, and a wait in progress, or one
// about to begin, ends at once, since the signal also leaves a byte in a pipe
// that the wait watches.
namespace linuxhost {

// Catches the stop signals; safe to call again.
void CatchStopSignals();
// Whether a stop signal has arrived.
bool StopRequested();
// The read end of the pipe a stop signal writes to; -1 when there is none.
int StopSignalFd();

}  // namespace linuxhost
