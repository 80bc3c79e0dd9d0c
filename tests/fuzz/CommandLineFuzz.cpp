// Any bytes as the command line: the parse always names one of the five
// modes, never reads past the end of the text, and the entry runs exactly the
// mode it names after reading the settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/CommandLine.h"
#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/SceneLife.h"

namespace {

constexpr WindowHandle kForeground = 0xf00d;
int foregroundCalls = 0;
int settingsLoads = 0;
int modesRun = 0;
SaverMode modeRun = SaverMode::None;
WindowHandle parentRun = 0;

WindowHandle Foreground() {
  ++foregroundCalls;
  return kForeground;
}
void LoadSystem(SaverState& state) {
  state.passwordDelay = 15;
  ++settingsLoads;
}
void Load(SaverState&) { ++settingsLoads; }
void Run(SaverMode mode, WindowHandle parent) {
  ++modesRun;
  modeRun = mode;
  parentRun = parent;
}
void ChangePassword(WindowHandle parent) { Run(SaverMode::ChangePassword, parent); }
void Config(SaverState&, WindowHandle owner) { Run(SaverMode::Config, owner); }
void SaverWindow(SaverState& state, const SaverRun& run) {
  // The state the entry hands over is the published one, with settings read.
  if (&state != gSaverState || settingsLoads != 2 || run.mode != gSaverMode) std::abort();
  Run(run.mode, run.parent);
}

bool KnownMode(SaverMode mode) {
  switch (mode) {
    case SaverMode::None:
    case SaverMode::Config:
    case SaverMode::ChangePassword:
    case SaverMode::Preview:
    case SaverMode::Saver:
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An allocation of exactly the text and its terminator, so that a read past
  // the end is caught.
  std::unique_ptr<char[]> text(new char[size + 1]);
  if (size > 0) std::memcpy(text.get(), data, size);
  text[size] = '\0';

  foregroundCalls = 0;
  const CommandLineResult parsed = ParseCommandLine(text.get(), &Foreground);
  if (!KnownMode(parsed.mode)) std::abort();
  // Only a bare configuration switch asks for the foreground window.
  if (foregroundCalls > 1 || (foregroundCalls == 1 && parsed.mode != SaverMode::Config)) std::abort();
  if (foregroundCalls == 1 && parsed.parent != kForeground) std::abort();
  if ((parsed.mode == SaverMode::None || parsed.mode == SaverMode::Saver) && parsed.parent != 0) std::abort();
  // The parent is a 32-bit number widened as a handle.
  const auto asSigned = static_cast<std::intptr_t>(parsed.parent);
  if (parsed.parent != kForeground && (asSigned < INT32_MIN || asSigned > INT32_MAX)) std::abort();

  // The same text through the entry: settings first, then exactly that mode.
  settingsLoads = 0;
  modesRun = 0;
  modeRun = SaverMode::None;
  parentRun = 0;
  const EntryServices services{&LoadSystem, &Load, &Foreground, &ChangePassword, &Config, &SaverWindow};
  if (RunEntry(text.get(), 10, services) != 0) std::abort();
  if (settingsLoads != 2 || gSaverState != nullptr) std::abort();
  if (gSaverMode != parsed.mode) std::abort();
  if (parsed.mode == SaverMode::None) {
    if (modesRun != 0) std::abort();
  } else if (modesRun != 1 || modeRun != parsed.mode || parentRun != parsed.parent) {
    std::abort();
  }
  return 0;
}
