#pragma once
// The process entry shared by every platform: parse the command line, create
// the one SaverState, read the settings and run exactly one mode. The mode
// and the record are the process's only ones; they are handed to the mode
// that runs (the run carries the mode), which hands them on.
#include <functional>
#include <string>

#include "host/SaverMode.h"
#include "host/WindowHandle.h"

class SaverState;
struct SaverRun;

// What the entry calls: the platform's functions, or a test's.
struct EntryServices {
  std::function<void(SaverState&)> loadSystemSettings;
  std::function<void(SaverState&)> loadSettings;
  std::function<WindowHandle()> foregroundWindow;
  std::function<void(WindowHandle parent)> changeSaverPassword;
  std::function<void(SaverState&, WindowHandle owner)> runConfigDialog;
  // Preview and Saver; the run carries its kind and the preview's parent.
  std::function<void(SaverState&, const SaverRun&)> runSaverWindow;
};

// Runs the mode the command line names, program path first. Returns the
// process exit code, which is always 0.
int RunEntry(const char* commandLine, const EntryServices& services);

// The command line of a program started with an argument vector: "zirbel"
// followed by the arguments (without argv[0]) joined with single blanks.
std::string JoinArguments(int argc, const char* const* argv);
