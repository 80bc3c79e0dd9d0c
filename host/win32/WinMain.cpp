// The process entry of zirbel.scr: the whole command line and the show-window
// value go to the portable entry, which picks and runs the mode.
#include <windows.h>

#include "host/Entry.h"
#include "host/Settings.h"
#include "host/System.h"
#include "host/SceneLife.h"
#include "host/win32/PerformanceCounter.h"
#include "host/win32/Win32Host.h"

namespace {

// The show-window value the starting process asked for, as the runtime's
// start-up code would compute it.
int StartupShowWindow() {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // What the scenes read: the performance counter and the executable's resources.
  win32::PerformanceCounter counter;
  const SceneSources sources{&counter, &platform::FindImageResource};
  SettingsStore& store = platform::PlatformSettingsStore();
  EntryServices services;
  services.loadSystemSettings = [&store](SaverState& state) { LoadSystemSettings(state, store); };
  services.loadSettings = [&store](SaverState& state) { LoadSettings(state, store); };
  services.foregroundWindow = [] { return win32::FromHwnd(GetForegroundWindow()); };
  services.changeSaverPassword = &platform::ChangeSaverPassword;
  services.runConfigDialog = [&store](SaverState& state, WindowHandle owner) {
    platform::RunConfigDialog(state, store, owner);
  };
  services.runSaverWindow = [&sources](SaverState& state, const SaverRun& entryRun) {
    SaverRun run = entryRun;
    run.sources = sources;
    win32::RunSaverWindow(state, run);
  };
  const char* commandLine = GetCommandLineA();
  return RunEntry(commandLine != nullptr ? commandLine : "", StartupShowWindow(), services);
}
