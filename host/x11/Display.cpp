#include "host/x11/Display.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <initializer_list>

namespace x11host {

namespace {

// X errors (a preview parent that is gone, a focus change on a window that is
// not viewable) must not end the process; they are noted and checked where
// they matter.
int lastError = 0;
XID lostResource = None;
int NoteXError(Display*, XErrorEvent* event) {
  lastError = event->error_code;
  if (event->error_code == BadWindow || event->error_code == BadDrawable) lostResource = event->resourceid;
  return 0;
}

// The X server went away (it ended, or the connection broke). Xlib ends the
// process with code 1 unless this handler leaves first; nothing is left to
// save or to give back to a server that is gone, so end at once with the
// saver's exit code 0 instead of failing or drawing on.
int EndOnLostServer(Display*) {
  static const char kMessage[] = "zirbel: the connection to the X server was lost\n";
  const ssize_t written = write(2, kMessage, sizeof kMessage - 1);
  (void)written;
  _exit(0);
}

// The loop sees the flag at its next turn, and a sleep in progress is cut short.
volatile sig_atomic_t stopSignal = 0;
void NoteStopSignal(int signal) { stopSignal = signal; }

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = &NoteStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleep returns at once
  for (int signal : {SIGTERM, SIGINT, SIGUSR1}) sigaction(signal, &action, nullptr);
}

}  // namespace

bool Connection::Open() {
  CatchStopSignals();
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    std::fprintf(stderr, "zirbel: cannot open the X display \"%s\"\n", XDisplayName(nullptr));
    return false;
  }
  previous_ = XSetErrorHandler(&NoteXError);
  XSetIOErrorHandler(&EndOnLostServer);
  return true;
}

Connection::~Connection() {
  if (display_ == nullptr) return;
  XSetErrorHandler(previous_);
  XCloseDisplay(display_);
}

void ClearError() { lastError = 0; }
int LastError() { return lastError; }
XID LostResource() { return lostResource; }

bool StopRequested() { return stopSignal != 0; }

void SleepUnlessStopped(std::int32_t milliseconds) {
  if (milliseconds <= 0) return;
  timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
    if (stopSignal != 0) return;
  }
}

}  // namespace x11host
