#pragma once
// The host's record: the settings (the members the settings table's rows
// fill, host/Settings.h) and the state of the close policy. One per process,
// owned by the entry.
#include <cstdint>
#include <string>

struct CursorPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// What the close policy needs from the window system. Each window system
// provides one (Windows, X11, Wayland, the web page); tests provide fakes.
class SaverWindowServices {
 public:
  virtual ~SaverWindowServices() = default;
  // Queue a close request to the saver window (PostMessage WM_CLOSE).
  virtual void PostCloseRequest() = 0;
  // Show the arrow cursor while a password check runs, hide it otherwise
  // (SendMessage WM_SETCURSOR).
  virtual void RefreshCursor() = 0;
  // The cursor in screen pixels; false when the cursor cannot be read.
  virtual bool CursorPosition(CursorPoint& out) = 0;
  virtual std::uint32_t TickCount() = 0;
  // Shows the system's password dialog; nonzero means the saver may close.
  virtual int VerifyPassword() = 0;
  virtual void DestroySaverWindow() = 0;
};

class SaverState {
 public:
  // Every setting at its default.
  SaverState();

  std::int32_t passwordDelay = 0;     // seconds
  std::int32_t mouseThreshold = 0;    // pixels
  CursorPoint cursorOrigin;
  // False until the cursor could be read once: movement is measured from the
  // first position actually seen, never from a made-up (0, 0).
  bool cursorOriginKnown = false;
  std::uint32_t startTick = 0;        // ms
  std::int32_t inPasswordCheck = 0;
  std::int32_t closeRequested = 0;
  std::int32_t useMirrors = 0;
  // Nonzero: every monitor shows a kaleidoscope; zero: the primary only, the others black.
  std::int32_t allMonitors = 0;
  // The feedback levels the scenes start with.
  std::int32_t levels = 0;
  // The folder whose photos the discs show (UTF-8); empty: the built-in pictures.
  std::string photoFolder;

  // Close policy helpers.
  void RequestClose(SaverWindowServices& services);
  void BeginPasswordCheck(SaverWindowServices& services);
  void EndPasswordCheck(SaverWindowServices& services);
  // Takes the cursor position as the origin of the mouse threshold; keeps the
  // last known origin when the cursor cannot be read.
  void TakeCursorOrigin(SaverWindowServices& services);
};
