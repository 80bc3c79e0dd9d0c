#pragma once
// What the web page decides without the browser: the options of its address
// and the keys of the browser's keyboard events as the scene's key codes.
#include <cstdint>
#include <string>

#include "host/Settings.h"

class SaverState;

// The options of the page's address (its query: "?seed=1&time=5&still").
struct PageOptions {
  bool seedGiven = false;
  std::uint32_t seed = 0;    // seed=N: the start seed; else one from the calendar time
  bool still = false;        // still: one frame at `time`, drawn once, then nothing more
  double time = 0.0;         // time=S: the scene time of the still frame, in seconds (0..3600)
  bool saver = false;        // saver: in full screen any input but the control keys leaves it
  // The settings the address names (levels=1..10, mirrors=0 or 1: the rows'
  // web names and ranges, a flag 0 or 1).
  SettingChoices settings;
};

// Reads `query` ("?a=1&b", the leading '?' optional). Unknown names and
// values out of range are ignored.
PageOptions ParsePageQuery(const std::string& query);

// The settings the page starts with: the address's where it gives them,
// which are then kept in `store` for the next visit, else the stored ones,
// else the defaults.
void LoadPageSettings(const PageOptions& options, SettingsStore& store, SaverState& state);

// The key code (field/KeyCodes.h) of a KeyboardEvent's `code` ("Digit3",
// "KeyM", "ArrowLeft", "Space"); 0 for a key the scene has no code for.
std::uint32_t KeyCodeForDomCode(const std::string& code);
