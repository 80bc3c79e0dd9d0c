#pragma once
// What the web page decides without the browser: the options of its address
// and the keys of the browser's keyboard events as the scene's key codes.
#include <cstdint>
#include <string>

#include "host/Settings.h"

// The options of the page's address (its query: "?seed=1&time=5&still").
struct PageOptions {
  bool seedGiven = false;
  std::uint32_t seed = 0;    // seed=N: the start seed; else one from the calendar time
  std::int32_t levels = 0;   // levels=1..10: the starting level count; 0 keeps the scene's own
  std::int32_t mirrors = -1; // mirrors=0 or 1: the mirror setting; -1: the stored one
  bool still = false;        // still: one frame at `time`, drawn once, then nothing more
  double time = 0.0;         // time=S: the scene time of the still frame, in seconds (0..3600)
  bool saver = false;        // saver: in full screen any input but the control keys leaves it
};

// Reads `query` ("?a=1&b", the leading '?' optional). Unknown names and
// values out of range are ignored.
PageOptions ParsePageQuery(const std::string& query);

// The page's own setting beside the saver's: the starting level count.
extern const char* const kLevelsSetting;

// The mirror setting and the starting level count (0: the scene's own) the
// page starts with: the address's where it gives them, which are then kept
// in `store` for the next visit, else the stored ones, else the defaults.
struct PageSettings {
  std::int32_t useMirrors = 1;
  std::int32_t levels = 0;
};
PageSettings ResolvePageSettings(const PageOptions& options, SettingsStore& store);

// The key code (field/KeyCodes.h) of a KeyboardEvent's `code` ("Digit3",
// "KeyM", "ArrowLeft", "Space"); 0 for a key the scene has no code for.
std::uint32_t KeyCodeForDomCode(const std::string& code);
