// Any bytes as the command line: the parse always names one of the five
// modes, never reads past the end of the text, and the entry runs exactly the
// mode it names after reading the settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "host/CommandLine.h"
#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/Driver.h"

namespace {

constexpr WindowHandle kForeground = 0xf00d;
int foregroundCalls = 0;
int settingsLoads = 0;
std::vector<std::pair<SaverMode, WindowHandle>> runs;  // the modes the entry ran

WindowHandle Foreground() {
  ++foregroundCalls;
  return kForeground;
}
void LoadSystem(SaverState& state) {
  state.passwordDelay = 15;
  ++settingsLoads;
}
SaverState* loadedInto = nullptr;
void Load(SaverState& state) {
  loadedInto = &state;
  ++settingsLoads;
}
void ChangePassword(WindowHandle parent) { runs.emplace_back(SaverMode::ChangePassword, parent); }
void Config(SaverState&, WindowHandle owner) { runs.emplace_back(SaverMode::Config, owner); }
void SaverWindow(SaverState& state, const SaverRun& run) {
  // The state the entry hands over is the one the settings were read into.
  if (&state != loadedInto || settingsLoads != 2) std::abort();
  runs.emplace_back(run.kind == RunKind::Saver ? SaverMode::Saver : SaverMode::Preview, run.window);
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
  if (parsed.mode < SaverMode::Unrecognised || parsed.mode > SaverMode::Saver) std::abort();
  // Only a bare configuration switch asks for the foreground window.
  if (foregroundCalls > 1 || (foregroundCalls == 1 && parsed.mode != SaverMode::Config)) std::abort();
  if (foregroundCalls == 1 && parsed.parent != kForeground) std::abort();
  if ((parsed.mode == SaverMode::Unrecognised || parsed.mode == SaverMode::Saver) && parsed.parent != 0) std::abort();
  // The parent is a 32-bit number widened as a handle.
  const auto asSigned = static_cast<std::intptr_t>(parsed.parent);
  if (parsed.parent != kForeground && (asSigned < INT32_MIN || asSigned > INT32_MAX)) std::abort();

  // The same text through the entry: settings first, then exactly that mode.
  settingsLoads = 0;
  runs.clear();
  const EntryServices services{&LoadSystem, &Load, &Foreground, &ChangePassword, &Config, &SaverWindow};
  if (RunEntry(text.get(), services) != 0) std::abort();
  if (settingsLoads != 2) std::abort();
  if (runs.size() != (parsed.mode == SaverMode::Unrecognised ? 0u : 1u)) std::abort();
  if (!runs.empty() && runs[0] != std::make_pair(parsed.mode, parsed.parent)) std::abort();
  return 0;
}
