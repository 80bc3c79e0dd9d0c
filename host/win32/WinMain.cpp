// The process entry of zirbel.scr: the whole command line and the show-window
// value go to the portable entry, which picks and runs the mode.
#include <windows.h>
#include <shellapi.h>

#include <ctime>
#include <memory>

#include "host/Driver.h"
#include "host/Entry.h"
#include "host/Settings.h"
#include "host/win32/PerformanceCounter.h"
#include "host/win32/PhotoHelperProcess.h"
#include "host/win32/Win32Backend.h"
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

// Whether this process is the photo helper: the helper argument comes first.
bool IsPhotoHelper() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const bool helper = arguments != nullptr && count > 1 && lstrcmpW(arguments[1], L"--zirbel-photo-helper") == 0;
  LocalFree(arguments);
  return helper;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (IsPhotoHelper()) return win32::RunPhotoHelper();
  const std::unique_ptr<SettingsStore> registry = win32::MakeRegistryStore();
  SettingsStore& store = *registry;
  // The run's clock is the performance counter, its images the executable's resources.
  win32::PerformanceCounter counter;
  RunInputs inputs;
  inputs.counter = &counter;
  inputs.images = &win32::FindImageResource;
  inputs.seed = RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  inputs.showError = &win32::ShowErrorMessage;
  // Every photo of the folder is decoded in the confined helper, none here.
  inputs.photos.decoder = photohelper::HelperDecoder(win32::MakeHelperPlatform());
  const int showWindow = StartupShowWindow();

  EntryServices services;
  services.loadSystemSettings = [&store](SaverState& state) { LoadSystemSettings(state, store); };
  services.loadSettings = [&store](SaverState& state) { LoadSettings(state, store); };
  services.foregroundWindow = [] { return win32::FromHwnd(GetForegroundWindow()); };
  services.changeSaverPassword = &win32::ChangeSaverPassword;
  services.runConfigDialog = [&store](SaverState& state, WindowHandle owner) {
    win32::RunConfigDialog(state, store, owner);
  };
  services.runSaverWindow = [&inputs, showWindow](SaverState& state, const SaverRun& run) {
    win32::Win32Backend backend(run.kind == RunKind::Saver, run.window, state.allMonitors != 0, showWindow);
    RunSaver(backend, state, run, inputs);
  };
  const char* commandLine = GetCommandLineA();
  return RunEntry(commandLine != nullptr ? commandLine : "", services);
}
