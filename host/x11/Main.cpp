// The Linux program. Its Windows-style switches become a Windows command line,
// so "zirbel /s", "zirbel -p 12345" and "zirbel -c" mean what they mean there;
// the options of screen-saver daemons (--root, --window-id) and the picture's
// own options are taken first.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/x11/HackOptions.h"
#include "host/x11/HackRun.h"

#ifndef ZIRBEL_VERSION
#define ZIRBEL_VERSION "unknown"
#endif

namespace {

void LoadSettingsForRun(SaverState& state) {
  state.LoadSettings();
  if (x11host::gRunOverrides.useMirrors >= 0) state.useMirrors = x11host::gRunOverrides.useMirrors;
}

// The daemon's modes: settings as in every mode, then the drawing; input
// never ends it (the daemon owns the keyboard, the pointer and the lock).
int RunForDaemon(std::uint32_t window) {
  SaverState state;
  gSaverState = &state;
  state.LoadSystemSettings();
  LoadSettingsForRun(state);
  gSaverMode = SaverMode::Preview;
  x11host::RunInWindow(state, window);
  gSaverState = nullptr;
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

  x11host::gRunOverrides.useMirrors = options.useMirrors;
  x11host::gRunOverrides.levels = options.levels;

  if (options.target == hack::Target::WindowId) return RunForDaemon(options.windowId);
  if (options.target == hack::Target::Root) {
    const char* variable = std::getenv("XSCREENSAVER_WINDOW");
    std::uint32_t window = 0;
    if (!hack::RootTarget(variable, &window)) {
      std::fprintf(stderr, "zirbel: XSCREENSAVER_WINDOW is not a window id: \"%s\"\n", variable);
      return 0;
    }
    return RunForDaemon(window);
  }

  std::vector<const char*> rest = {argv[0]};
  for (const std::string& argument : options.rest) rest.push_back(argument.c_str());
  const std::string commandLine = JoinArguments(static_cast<int>(rest.size()), rest.data());
  EntryServices services = PlatformEntryServices();
  services.loadSettings = &LoadSettingsForRun;
  constexpr int kShowDefault = 10;
  return RunEntry(commandLine.c_str(), kShowDefault, services);
}
