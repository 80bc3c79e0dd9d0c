// The Linux program. Its Windows-style switches become a Windows command line,
// so "zirbel /s", "zirbel -p 12345" and "zirbel -c" mean what they mean there;
// the options of screen-saver daemons (--root, --window-id), the Wayland
// background (--layer), the idle watcher (--on-idle), the window system's
// choice and the picture's own options are taken first.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "host/CommandLine.h"
#include "host/Driver.h"
#include "host/Entry.h"
#include "host/PhotoHelper.h"
#include "host/SaverState.h"
#include "host/Settings.h"
#include "host/linux/HackOptions.h"
#include "host/linux/IdleWatcherLoop.h"
#include "host/linux/MonotonicCounter.h"
#include "host/linux/PhotoFile.h"
#include "host/linux/PhotoHelperProcess.h"
#include "host/linux/ReturnLock.h"
#include "host/linux/SettingsStore.h"
#include "host/linux/SystemServices.h"
#include "host/linux/WindowSystems.h"
#include "resources/EmbeddedResources.h"

#ifndef ZIRBEL_VERSION
#define ZIRBEL_VERSION "unknown"
#endif

namespace {

// What the options ask the window system to draw: the daemons' window, the
// background, or what the Windows-style switches say.
RunKind KindOf(const hack::Options& options, const std::string& commandLine) {
  switch (options.target) {
    case hack::Target::Root:
    case hack::Target::WindowId: return RunKind::Borrowed;
    case hack::Target::Layer: return RunKind::Background;
    case hack::Target::None: break;
  }
  const SaverMode mode = ParseCommandLine(commandLine.c_str(), [] { return WindowHandle(0); }).mode;
  return mode == SaverMode::Preview ? RunKind::Preview : RunKind::Saver;
}

int OptionError(const std::string& error) {
  // Like an unrecognised switch, nothing runs and the exit code is 0.
  std::fprintf(stderr, "zirbel: %s\nTry 'zirbel --help' for the options.\n", error.c_str());
  return 0;
}

// The daemons' modes: settings as in every mode, then the drawing; input
// never ends it (the daemon owns the keyboard, the pointer and the lock).
int RunDaemonMode(const hack::Options& options, const std::string& commandLine, const EntryServices& services) {
  SaverRun run;
  run.kind = KindOf(options, commandLine);
  run.output = options.output;
  run.window = options.windowId;
  if (options.target == hack::Target::Root) {
    const char* variable = std::getenv("XSCREENSAVER_WINDOW");
    std::uint32_t window = 0;
    if (!hack::RootTarget(variable, &window)) {
      std::fprintf(stderr, "zirbel: XSCREENSAVER_WINDOW is not a window id: \"%s\"\n", variable);
      return 0;
    }
    run.window = window;
  }
  SaverState state;
  services.loadSystemSettings(state);
  services.loadSettings(state);
  run.photoFolder = state.photoFolder;
  services.runSaverWindow(state, run);
  return 0;
}

// The idle watcher, with the stored settings.
int RunWatcher() {
  settingsfile::KeyFileStore store;
  SaverState state;
  LoadSystemSettings(state, store);
  LoadSettings(state, store);
  return linuxhost::RunIdleWatcher(state);
}

}  // namespace

int main(int argc, char** argv) {
  // The photo helper: this program started by itself, before any option or
  // display is looked at.
  if (argc > 1 && std::strcmp(argv[1], photohelper::kHelperArgument) == 0) return linuxhost::RunPhotoHelper(argc, argv);
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
      return OptionError(options.error);
    case hack::Action::Run:
      break;
  }
  if (options.onIdle) return RunWatcher();

  std::vector<const char*> rest = {argv[0]};
  for (const std::string& argument : options.rest) rest.push_back(argument.c_str());
  const std::string commandLine = JoinArguments(static_cast<int>(rest.size()), rest.data());

  // The one place where the window system is chosen.
  std::string unable;
  const linuxhost::WindowSystem* system = linuxhost::ChooseWindowSystem(
      linuxhost::WindowSystems(), options.windowSystem, KindOf(options, commandLine), &unable);
  if (system == nullptr) return OptionError(unable);

  // The run's clock is the monotonic clock, its images the ones linked in,
  // and its photos are read without ever waiting on a pipe or a device.
  linuxhost::MonotonicCounter counter;
  RunInputs inputs;
  inputs.counter = &counter;
  inputs.images = &FindEmbeddedResource;
  inputs.photoReader = &linuxhost::ReadPhotoWithoutWaiting;
  // Every photo of the folder is decoded in the sandboxed helper, none here.
  inputs.photos.decoder = photohelper::HelperDecoder(linuxhost::MakeHelperPlatform());
  inputs.seed = RandomSeedForTime(static_cast<std::int64_t>(std::time(nullptr)));
  inputs.showError = &linuxhost::ShowErrorMessage;
  linuxhost::ReturnLock returnLock;
  inputs.sessionLock = &returnLock;
  settingsfile::KeyFileStore store;

  // The command line's options hold for this run only, over the stored settings.
  EntryServices services;
  services.loadSystemSettings = [&store](SaverState& state) { LoadSystemSettings(state, store); };
  services.loadSettings = [&store, &options](SaverState& state) {
    LoadSettings(state, store);
    ApplyChoices(options.settings, state);
  };
  services.foregroundWindow = system->foreground;
  // Linux has no screen-saver password to change.
  services.changeSaverPassword = [](WindowHandle) {};
  services.runConfigDialog = [](SaverState&, WindowHandle owner) { linuxhost::RunConfigDialog(owner); };
  services.runSaverWindow = [&](SaverState& state, const SaverRun& run) {
    const std::unique_ptr<WaitingBackend> backend = system->make(state, run);
    RunSaver(*backend, state, run, inputs);
  };
  if (options.target == hack::Target::None) return RunEntry(commandLine.c_str(), services);
  return RunDaemonMode(options, commandLine, services);
}
