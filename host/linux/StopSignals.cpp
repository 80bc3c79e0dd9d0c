#include "host/linux/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace linuxhost {

namespace {

volatile sig_atomic_t stopSignal = 0;
int stopPipe[2] = {-1, -1};

void NoteStopSignal(int signal) {
  stopSignal = signal;
  const char byte = 0;
  const ssize_t written = write(stopPipe[1], &byte, 1);
  (void)written;
}

}  // namespace

void CatchStopSignals() {
  if (stopPipe[0] < 0 && pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) stopPipe[0] = stopPipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = &NoteStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleep returns at once
  for (int signal : {SIGTERM, SIGINT, SIGUSR1}) sigaction(signal, &action, nullptr);
}

bool StopRequested() { return stopSignal != 0; }

int StopSignalFd() { return stopPipe[0]; }

}  // namespace linuxhost
