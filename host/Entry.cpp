#include "host/Entry.h"

#include <new>

#include "host/CommandLine.h"
#include "host/SaverState.h"
#include "host/SceneLife.h"

int RunEntry(const char* commandLine, int showWindow, const EntryServices& services) {
  const CommandLineResult parsed = ParseCommandLine(commandLine, services.foregroundWindow);

  SaverState* state = new (std::nothrow) SaverState();
  if (state == nullptr) return 0;  // nothing can run without it

  // Settings are read in every mode, even when nothing runs.
  services.loadSystemSettings(*state);
  services.loadSettings(*state);

  switch (parsed.mode) {
    case SaverMode::ChangePassword:
      services.changeSaverPassword(parsed.parent);
      break;
    case SaverMode::Config:
      services.runConfigDialog(*state, parsed.parent);
      break;
    case SaverMode::Preview:
    case SaverMode::Saver: {
      SaverRun run;
      run.mode = parsed.mode;
      run.parent = parsed.parent;
      run.showWindow = showWindow;
      run.photoFolder = state->photoFolder;
      services.runSaverWindow(*state, run);
      break;
    }
    case SaverMode::None:
      break;
  }

  delete state;
  return 0;
}

std::string JoinArguments(int argc, const char* const* argv) {
  std::string line = "zirbel";
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) break;
    line += ' ';
    line += argv[i];
  }
  return line;
}
