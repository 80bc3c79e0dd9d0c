#pragma once
// The connection to the X server, opened once per run, and what every X11
// part relies on with it: X errors are noted instead of ending the process,
// a server that goes away ends it with exit code 0, and SIGTERM, SIGINT and
// SIGUSR1 end the run cleanly.
#include <X11/Xlib.h>

#include <cstdint>

namespace x11host {

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  // Catches the stop signals, opens the display named by $DISPLAY and
  // installs the error handlers. False when there is no display.
  bool Open();

  Display* display() const { return display_; }
  int screen() const { return DefaultScreen(display_); }
  Window root() const { return RootWindow(display_, screen()); }

 private:
  Display* display_ = nullptr;
  XErrorHandler previous_ = nullptr;
};

// The X error handler's notes: the code of the last error since ClearError,
// and the resource of the last error that said a window or drawable is gone.
void ClearError();
int LastError();
XID LostResource();

// Whether a stop signal has arrived.
bool StopRequested();
// Waits until an event is waiting on the connection, a stop signal arrives,
// or `milliseconds` pass (negative: no limit); false only when the time ran out.
bool WaitForInput(Display* display, std::int32_t milliseconds);

}  // namespace x11host
