#include "host/Entry.h"

#include <new>

#include "host/CommandLine.h"
#include "host/SaverState.h"

SaverMode gSaverMode = SaverMode::None;

int RunEntry(const char* commandLine, int showWindow, const EntryServices& services) {
  const CommandLineResult parsed = ParseCommandLine(commandLine, services.foregroundWindow);
  gSaverMode = parsed.mode;

  SaverState* state = new (std::nothrow) SaverState();
  if (state == nullptr) return 0;  // nothing can run without it
  gSaverState = state;

  // Settings are read in every mode, even when nothing runs.
  if (services.loadSystemSettings != nullptr) services.loadSystemSettings(*state);
  if (services.loadSettings != nullptr) services.loadSettings(*state);

  switch (parsed.mode) {
    case SaverMode::ChangePassword:
      if (services.changeSaverPassword != nullptr) services.changeSaverPassword(parsed.parent);
      break;
    case SaverMode::Config:
      if (services.runConfigDialog != nullptr) services.runConfigDialog(*state, parsed.parent);
      break;
    case SaverMode::Preview:
    case SaverMode::Saver:
      if (services.runSaverWindow != nullptr) services.runSaverWindow(*state, parsed.parent, showWindow);
      break;
    case SaverMode::None:
      break;
  }

  gSaverState = nullptr;
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
