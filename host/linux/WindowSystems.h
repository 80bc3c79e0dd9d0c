#pragma once
// The window systems the Linux program can draw through, one row each, and
// the one choice among them, made once at start-up. A row names the system
// (its option, --NAME, forces it), says what it offers, how to ask whether it
// can draw here, and makes its backend for a run. A new window system is a
// folder of its own and one row in WindowSystems.cpp.
#include <memory>
#include <string>
#include <vector>

#include "host/Backend.h"
#include "host/Driver.h"

class SaverState;

namespace linuxhost {

struct WindowSystem {
  const char* name;   // "x11": the option --x11 forces it
  const char* title;  // "X11", as messages name it
  const char* help;   // the option's line in --help
  BackendCaps caps;
  // Whether it can draw here; asked, in the table's order, only of the rows
  // that have one. The row without one is taken when no other answers yes.
  bool (*probe)();
  // The backend of one run of a kind the row supports.
  std::unique_ptr<WaitingBackend> (*make)(const SaverState& state, const SaverRun& run);
  // The window with the focus (the owner of a bare "c" switch); 0 if none.
  WindowHandle (*foreground)();
};

// Every window system, in the order of the options in --help.
const std::vector<WindowSystem>& WindowSystems();

// Whether a system offering `caps` can draw a run of `kind`.
bool Supports(const BackendCaps& caps, RunKind kind);

// The system a run of `kind` draws through: the one named `forced` (empty:
// none is), else the first row that supports the kind and whose probe
// answers yes, else the row without a probe that supports it. Null, with
// `error` set, when the forced one cannot draw such a run or none can.
const WindowSystem* ChooseWindowSystem(const std::vector<WindowSystem>& systems, const std::string& forced,
                                       RunKind kind, std::string* error);

}  // namespace linuxhost
