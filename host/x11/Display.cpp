#include "host/x11/Display.h"

#include <poll.h>
#include <unistd.h>


#include "host/linux/StopSignals.h"

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

}  // namespace

bool Connection::Open() {
  linuxhost::CatchStopSignals();
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return false;
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

bool StopRequested() { return linuxhost::StopRequested(); }

bool WaitForInput(Display* display, std::int32_t milliseconds) {
  // Events Xlib has read already wait in its queue, where poll cannot see them.
  if (StopRequested() || XEventsQueued(display, QueuedAfterFlush) > 0) return true;
  const int stopFd = linuxhost::StopSignalFd();
  pollfd watched[2] = {{ConnectionNumber(display), POLLIN, 0}, {stopFd, POLLIN, 0}};
  return poll(watched, stopFd >= 0 ? 2 : 1, milliseconds < 0 ? -1 : milliseconds) != 0;
}

}  // namespace x11host
