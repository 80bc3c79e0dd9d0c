#pragma once
// The host's record: the settings (the members the settings table's rows
// fill, host/Settings.h) and the state of the close policy. One per process,
// owned by the entry.
#include <cstdint>
#include <string>

class SaverWindowServices;

struct CursorPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
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
  // Minutes without input before the idle watcher starts the saver.
  std::int32_t idleMinutes = 0;
  // Nonzero: a close after the grace period locks the session (where the
  // system has a session lock, the saver's own password check otherwise).
  std::int32_t lockOnReturn = 0;
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
