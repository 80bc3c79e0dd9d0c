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

// A setting chosen on the page itself (its touch controls), by its stored
// name: one of the address's (the mirrors, the level count), in its range.
// It goes into `state` and is kept in `store` for the next visit, as the
// address's are. False, and nothing changed, for another name or a value out
// of range.
bool ChoosePageSetting(const std::string& name, std::int32_t value, SettingsStore& store, SaverState& state);

// The key (a top-row digit) that gives `levels` + `step` levels, within
// 1..kMaxLevels.
std::uint32_t LevelKeyFor(std::int32_t levels, std::int32_t step);

// The key code (field/KeyCodes.h) of a KeyboardEvent's `code` ("Digit3",
// "KeyM", "ArrowLeft", "Space"); 0 for a key the scene has no code for.
std::uint32_t KeyCodeForDomCode(const std::string& code);
