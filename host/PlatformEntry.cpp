// The entry wired to the platform's own services. Kept apart from Entry.cpp so
// that tests of the entry link without a platform.
#include "host/Entry.h"
#include "host/SaverState.h"

namespace {
void LoadSystemSettings(SaverState& state) { state.LoadSystemSettings(); }
void LoadSettings(SaverState& state) { state.LoadSettings(); }
}  // namespace

EntryServices PlatformEntryServices() {
  EntryServices services;
  services.loadSystemSettings = &LoadSystemSettings;
  services.loadSettings = &LoadSettings;
  services.foregroundWindow = &platform::ForegroundWindow;
  services.changeSaverPassword = &platform::ChangeSaverPassword;
  services.runConfigDialog = &platform::RunConfigDialog;
  services.runSaverWindow = &platform::RunSaverWindow;
  return services;
}

int RunEntry(const char* commandLine, int showWindow) {
  return RunEntry(commandLine, showWindow, PlatformEntryServices());
}
