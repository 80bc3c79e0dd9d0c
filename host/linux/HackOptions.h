#pragma once
// The options of the Linux program beyond the Windows-style switches: those
// that screen-saver daemons and lockers pass (--root, --window-id), the
// Wayland background (--layer, --output), with --help and --version, declared
// here; the window system's choice (--x11, --wayland), made from the table of
// window systems (host/linux/WindowSystems.h); and the settings' options
// (--mirrors, --no-mirrors, --levels, --photos), made from the rows of the
// settings table (host/Settings.h). The usage text and the daemon's
// settings description (zirbel.xml) are written from these declarations. The window system's choice itself is
// made in WindowSystems.h.
#include <cstdint>
#include <string>
#include <vector>

#include "host/Settings.h"

namespace hack {

enum class Action {
  Run,      // run what the arguments name
  Help,     // print the usage
  Version,  // print the version
  Error,    // print `error` and run nothing
};

enum class Target {
  None,      // no daemon target: the Windows-style switches decide
  Root,      // --root: $XSCREENSAVER_WINDOW, else the root window
  WindowId,  // --window-id ID
  Layer,     // --layer background: the Wayland desktop's background layer
};

struct Options {
  Action action = Action::Run;
  std::string error;  // set for Action::Error
  Target target = Target::None;
  std::uint32_t windowId = 0;  // for Target::WindowId
  std::string output;          // for Target::Layer: the output's name, empty for every output
  std::string windowSystem;    // the window system an option forces (its name); empty: chosen
  bool onIdle = false;         // --on-idle: watch for inactivity and run the full-screen saver then
  SettingChoices settings;     // the settings' options: for this run, over the stored settings
  // The arguments left for the Windows-style command line.
  std::vector<std::string> rest;
};

// One option: how it is written, what it does, and how the usage text
// presents it. The parser and the usage text are written from the table of
// these, the daemon's settings description from it and the settings' rows.
struct OptionInfo {
  const char* name;   // long form; the single-dash form is accepted too
  const char* value;  // the value's name, or null for a switch
  std::string help;
  // Applies one of the program's own options (with its value) to `options`;
  // the error, or empty.
  std::string (*apply)(Options& options, const std::string& value);
  bool command;  // the daemon's dialog runs the program with it (--root)
  // A setting's option: its row and its entry there (then `apply` is null).
  const SettingRow* setting;
  const SettingOption* option;
  // The window system the option forces (then `apply` is null), a row of the
  // table of window systems (host/linux/WindowSystems.h).
  const char* windowSystem = nullptr;
};
// Every option the parser accepts, in the order of the usage text.
const std::vector<OptionInfo>& AllOptions();

// Parses the program's arguments (argv[0] not included). Options may come in
// any order and mix with the Windows-style switches, which are left in
// `rest`. The single-dash forms (-root, -window-id, ...) are accepted as well,
// and a value may follow as the next argument or after '='. An argument that
// starts with "--" and names no option is an error.
Options ParseArguments(const std::vector<std::string>& arguments);

// A window id as daemons write it: "0x" hex or decimal, nonzero, within 32
// bits, nothing after it.
bool ParseWindowId(const char* text, std::uint32_t* id);

// The window --root draws into: the id in $XSCREENSAVER_WINDOW (`variable`,
// null when unset), or 0 for the root window when it is unset or empty.
// False when it is set to something that is not a window id.
bool RootTarget(const char* variable, std::uint32_t* id);

// The text of --help.
std::string UsageText();

// The daemon's settings description of the program (zirbel.xml).
std::string SettingsXml();

}  // namespace hack
