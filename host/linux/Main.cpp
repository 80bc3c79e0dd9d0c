// The Linux program. Its Windows-style switches become a Windows command line,
// so "zirbel /s", "zirbel -p 12345" and "zirbel -c" mean what they mean there;
// the options of screen-saver daemons (--root, --window-id), the Wayland
// background (--layer), the window system's choice and the picture's own
// options are taken first.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/System.h"
#include "host/linux/HackOptions.h"
#include "host/linux/PhotoFile.h"
#include "host/linux/SettingsStore.h"
#include "host/linux/WindowSystem.h"
#include "host/linux/WindowSystemChoice.h"

#ifndef ZIRBEL_VERSION
#define ZIRBEL_VERSION "unknown"
#endif

namespace {

// The daemon's modes: settings as in every mode, then the drawing; input
// never ends it (the daemon owns the keyboard, the pointer and the lock).
int RunForDaemon(linuxhost::WindowSystem& windows, const EntryServices& services, const SaverRun& run,
                 const hack::Options& options, std::uint32_t window) {
  SaverState state;
  services.loadSystemSettings(state);
  services.loadSettings(state);
  SaverRun withPhotos = run;
  withPhotos.photoFolder = state.photoFolder;
  if (options.target == hack::Target::Layer) {
    windows.RunOnBackground(state, withPhotos, options.output);
  } else {
    windows.RunInWindow(state, withPhotos, window);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  const hack::Options options = hack::ParseArguments(arguments);

  switch (options.action) {
    case hack::Action::Help:
      std::fputs(hack::UsageText().c_str(), stdout);
      return 0;
    case hack::Action::Version:
      std::printf("zirbel %s\n", ZIRBEL_VERSION);
      return 0;
    case hack::Action::Error:
      // Like an unrecognised switch, nothing runs and the exit code is 0.
      std::fprintf(stderr, "zirbel: %s\nTry 'zirbel --help' for the options.\n", options.error.c_str());
      return 0;
    case hack::Action::Run:
      break;
  }

  std::vector<const char*> rest = {argv[0]};
  for (const std::string& argument : options.rest) rest.push_back(argument.c_str());
  const std::string commandLine = JoinArguments(static_cast<int>(rest.size()), rest.data());

  platform::InstallPictureDefaults();
  photo::SetDefaultPhotoReader(&linuxhost::ReadPhotoFile);  // never waits on a pipe or a device
  // The one place where the window system is chosen.
  const bool namesXWindow = options.target == hack::Target::Root || options.target == hack::Target::WindowId ||
                            ParseCommandLine(commandLine.c_str(), [] { return WindowHandle(0); }).mode ==
                                SaverMode::Preview;
  const linuxhost::WindowSystemKind kind = linuxhost::ChooseWindowSystem(
      options.windowSystem, namesXWindow, std::getenv("WAYLAND_DISPLAY"), &linuxhost::WaylandOffersLayerShell);
  const std::unique_ptr<linuxhost::WindowSystem> windows = kind == linuxhost::WindowSystemKind::Wayland
                                                               ? linuxhost::CreateWaylandWindowSystem()
                                                               : linuxhost::CreateX11WindowSystem();
  settingsfile::KeyFileStore store;

  // The command line's options hold for this run only, over the stored settings.
  EntryServices services;
  services.loadSystemSettings = [&store](SaverState& state) { LoadSystemSettings(state, store); };
  services.loadSettings = [&store, &options](SaverState& state) {
    LoadSettings(state, store);
    ApplyChoices(options.settings, state);
  };
  services.foregroundWindow = [&windows] { return windows->ForegroundWindow(); };
  services.changeSaverPassword = &platform::ChangeSaverPassword;
  services.runConfigDialog = [&store](SaverState& state, WindowHandle owner) {
    platform::RunConfigDialog(state, store, owner);
  };
  services.runSaverWindow = [&windows](SaverState& state, const SaverRun& run) { windows->RunSaverWindow(state, run); };

  if (options.target != hack::Target::None) {
    std::uint32_t window = options.windowId;
    if (options.target == hack::Target::Root) {
      const char* variable = std::getenv("XSCREENSAVER_WINDOW");
      if (!hack::RootTarget(variable, &window)) {
        std::fprintf(stderr, "zirbel: XSCREENSAVER_WINDOW is not a window id: \"%s\"\n", variable);
        return 0;
      }
    }
    SaverRun run;
    run.mode = SaverMode::Preview;
    return RunForDaemon(*windows, services, run, options, window);
  }
  constexpr int kShowDefault = 10;
  return RunEntry(commandLine.c_str(), kShowDefault, services);
}
