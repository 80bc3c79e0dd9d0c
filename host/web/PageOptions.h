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

// A setting chosen on the page itself (its touch controls), `name` being
// setting::kUseMirrors (0 or 1) or kLevelsSetting (1..kMaxLevels): kept in
// `store` for the next visit as the address's are. False, and nothing kept,
// for another name or a value out of range.
bool KeepPageSetting(SettingsStore& store, const std::string& name, std::int32_t value);

// The key (a top-row digit) that gives `levels` + `step` levels, within
// 1..kMaxLevels.
std::uint32_t LevelKeyFor(std::int32_t levels, std::int32_t step);

// The key code (field/KeyCodes.h) of a KeyboardEvent's `code` ("Digit3",
// "KeyM", "ArrowLeft", "Space"); 0 for a key the scene has no code for.
std::uint32_t KeyCodeForDomCode(const std::string& code);
