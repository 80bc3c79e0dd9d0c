// The process entry of zirbel.scr: the whole command line and the show-window
// value go to the portable entry, which picks and runs the mode.
#include <windows.h>

#include <memory>

#include "host/Entry.h"
#include "host/Settings.h"
#include "host/System.h"
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
  platform::InstallPictureDefaults();
  const std::unique_ptr<SettingsStore> registry = win32::MakeRegistryStore();
  SettingsStore& store = *registry;
  EntryServices services;
  services.loadSystemSettings = [&store](SaverState& state) { LoadSystemSettings(state, store); };
  services.loadSettings = [&store](SaverState& state) { LoadSettings(state, store); };
  services.foregroundWindow = [] { return win32::FromHwnd(GetForegroundWindow()); };
  services.changeSaverPassword = &platform::ChangeSaverPassword;
  services.runConfigDialog = [&store](SaverState& state, WindowHandle owner) {
    platform::RunConfigDialog(state, store, owner);
  };
  services.runSaverWindow = &win32::RunSaverWindow;
  const char* commandLine = GetCommandLineA();
  return RunEntry(commandLine != nullptr ? commandLine : "", StartupShowWindow(), services);
}
