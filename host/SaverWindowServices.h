#pragma once
#include <cstdint>

struct CursorPoint;

// What the close policy needs around it; the driver provides it, tests fakes.
class SaverWindowServices {
 public:
  virtual ~SaverWindowServices() = default;
  // Queue a close request, handled after the events already waiting.
  virtual void PostCloseRequest() = 0;
  // Show the cursor while a password check runs, hide it otherwise.
  virtual void RefreshCursor() = 0;
  // The cursor in screen pixels; false when the cursor cannot be read.
  virtual bool CursorPosition(CursorPoint& out) = 0;
  // A millisecond count that wraps after 2^32 ms.
  virtual std::uint32_t TickCount() = 0;
  // Shows the system's password dialog; nonzero means the saver may close.
  virtual int VerifyPassword() = 0;
  // Asks the system to lock the session (where it has a session lock), for a
  // saver that closes after its grace period; returns at once.
  virtual void LockSession() = 0;
  virtual void DestroySaverWindow() = 0;
};
