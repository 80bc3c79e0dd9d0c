#pragma once
// The process entry shared by every platform: parse the command line, create
// the one SaverState, read the settings and run exactly one mode.
#include <string>

#include "host/Platform.h"
#include "host/SaverMode.h"

class SaverState;

// What the entry calls; the platform's functions unless a test supplies others.
// A null member is skipped.
struct EntryServices {
  void (*loadSystemSettings)(SaverState& state);
  void (*loadSettings)(SaverState& state);
  WindowHandle (*foregroundWindow)();
  void (*changeSaverPassword)(WindowHandle parent);
  void (*runConfigDialog)(SaverState& state, WindowHandle owner);
  void (*runSaverWindow)(SaverState& state, WindowHandle parent, int showWindow);
};

// The platform's services (SaverState's own settings operations and the
// functions of host/Platform.h).
EntryServices PlatformEntryServices();

// Runs the mode the command line names, program path first. Returns the
// process exit code, which is always 0.
int RunEntry(const char* commandLine, int showWindow, const EntryServices& services);
int RunEntry(const char* commandLine, int showWindow);

// The command line of a program started with an argument vector: "zirbel"
// followed by the arguments (without argv[0]) joined with single blanks.
std::string JoinArguments(int argc, const char* const* argv);

// The process-wide run mode; the window and the event loop test it.
extern SaverMode gSaverMode;
