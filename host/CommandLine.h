#pragma once
#include <functional>

#include "host/WindowHandle.h"
#include "host/SaverMode.h"

struct CommandLineResult {
  SaverMode mode = SaverMode::Unrecognised;
  WindowHandle parent = 0;
};

// Parses a whole command line, program path first, the way the screen-saver
// machinery passes it. `foregroundWindow` is asked only for a bare c switch.
CommandLineResult ParseCommandLine(const char* commandLine, const std::function<WindowHandle()>& foregroundWindow);
