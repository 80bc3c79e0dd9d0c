#include "host/Entry.h"

#include <new>

#include "host/CommandLine.h"
#include "host/SaverState.h"
#include "host/Driver.h"

int RunEntry(const char* commandLine, const EntryServices& services) {
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
      run.kind = parsed.mode == SaverMode::Saver ? RunKind::Saver : RunKind::Preview;
      run.window = parsed.parent;
      run.photoFolder = state->photoFolder;
      services.runSaverWindow(*state, run);
      break;
    }
    case SaverMode::Unrecognised:
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
