#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "host/CommandLine.h"
#include "host/Driver.h"
#include "host/Entry.h"
#include "host/SaverState.h"
#include "tests/host/FakeBackend.h"

namespace {

constexpr WindowHandle kForeground = 0xBEEF;
int gForegroundCalls = 0;
WindowHandle FakeForeground() {
  ++gForegroundCalls;
  return kForeground;
}

WindowHandle Handle(std::int32_t value) { return static_cast<WindowHandle>(static_cast<std::intptr_t>(value)); }

TEST(ParseCommandLine, GivesModeAndParentAskingForTheForegroundOnlyWhenNeeded) {
  using M = SaverMode;
  const std::tuple<const char*, SaverMode, WindowHandle> cases[] = {
      // Only the program path: configuration without owner; a quoted blank belongs to the path.
      {"zirbel.scr", M::Config, 0}, {"\"C:\\Program Files\\zirbel.scr\"", M::Config, 0},
      {"zirbel.scr   ", M::Config, 0}, {"", M::Config, 0}, {"\"C:\\My Savers\\zirbel.scr\" /p 1234", M::Preview, 1234},
      // Configuration with an owner, or owned by the foreground window.
      {"zirbel.scr /c:5678", M::Config, 5678}, {"zirbel.scr /c", M::Config, kForeground},
      {"zirbel.scr /c : :  ", M::Config, kForeground}, {"zirbel.scr C 77", M::Config, 77},
      {"zirbel.scr /c:junk", M::Config, 0},
      // Only the first letter counts; preview through p or l, blanks and colons before the number.
      {"zirbel.scr -S", M::Saver, 0}, {"zirbel.scr /s", M::Saver, 0}, {"zirbel.scr s", M::Saver, 0},
      {"zirbel.scr /screensaver", M::Saver, 0}, {"zirbel.scr /s 999", M::Saver, 0},
      {"zirbel.scr /l  ::  42", M::Preview, 42}, {"zirbel.scr -L42", M::Preview, 42},
      {"zirbel.scr /P:7", M::Preview, 7}, {"zirbel.scr /p", M::Preview, 0}, {"zirbel.scr /p abc", M::Preview, 0},
      {"zirbel.scr /a 321", M::ChangePassword, 321}, {"zirbel.scr -A", M::ChangePassword, 0},
      {"zirbel.scr /x", M::Unrecognised, 0}, {"zirbel.scr /", M::Unrecognised, 0}, {"zirbel.scr -", M::Unrecognised, 0},
      {"zirbel.scr / s", M::Unrecognised, 0}, {"zirbel.scr 5", M::Unrecognised, 0}, {"zirbel.scr //s", M::Unrecognised, 0},
      // An unquoted path runs to the first blank; tabs are not blanks; an unclosed quote takes everything.
      {"zirbel.scr/s", M::Config, 0}, {"\"zirbel.scr\"\t/s", M::Unrecognised, 0}, {"zirbel.scr\t/s", M::Config, 0},
      {"zirbel.scr \t/s", M::Unrecognised, 0}, {"\"zirbel.scr /s", M::Config, 0}, {"\"zirbel.scr\"/s", M::Saver, 0},
      // The number as atoi reads it: white space, sign, digits.
      {"zirbel.scr /p \t+15", M::Preview, 15}, {"zirbel.scr /p\t15", M::Preview, 15},
      {"zirbel.scr /p -15", M::Preview, Handle(-15)}, {"zirbel.scr /p 12ab34", M::Preview, 12},
      {"zirbel.scr /p +-3", M::Preview, 0}, {"zirbel.scr /p 2147483647", M::Preview, 2147483647},
      {"zirbel.scr /p 99999999999999999999", M::Preview, 2147483647},
      {"zirbel.scr /p -99999999999999999999", M::Preview, Handle(INT32_MIN)},
      // Linux argument vectors joined with single blanks.
      {"zirbel -p 12345", M::Preview, 12345}, {"zirbel -c", M::Config, kForeground},
  };
  for (const auto& [line, mode, parent] : cases) {
    gForegroundCalls = 0;
    const CommandLineResult r = ParseCommandLine(line, &FakeForeground);
    EXPECT_EQ(static_cast<int>(r.mode), static_cast<int>(mode)) << "\"" << line << "\"";
    EXPECT_EQ(r.parent, parent) << "\"" << line << "\"";
    EXPECT_EQ(gForegroundCalls, parent == kForeground ? 1 : 0) << "\"" << line << "\" asks for the foreground window";
  }
  EXPECT_EQ(ParseCommandLine(nullptr, &FakeForeground).mode, SaverMode::Config) << "null inputs are safe";
  const CommandLineResult r = ParseCommandLine("zirbel.scr /c", nullptr);
  EXPECT_EQ(r.mode, SaverMode::Config);
  EXPECT_EQ(r.parent, 0u);
}

// Logs the calls the entry makes; the modes log whether they got the
// published record with both settings loaded, and what they were passed.
SaverState* loadedInto = nullptr;
EntryServices Fakes(Log& log) {
  const auto loaded = [](SaverState& state) {
    return loadedInto == &state && state.mouseThreshold == 10 && state.useMirrors == 0 ? " loaded" : " bare";
  };
  EntryServices s;
  s.loadSystemSettings = [&log](SaverState& state) {
    log.push_back("system");
    state.mouseThreshold = 10;
  };
  s.loadSettings = [&log](SaverState& state) {
    log.push_back("own");
    loadedInto = &state;
    state.useMirrors = 0;
  };
  s.foregroundWindow = [] { return WindowHandle{99}; };
  s.changeSaverPassword = [&log](WindowHandle parent) { log.push_back("password " + std::to_string(parent)); };
  s.runConfigDialog = [&log, loaded](SaverState& state, WindowHandle owner) {
    log.push_back("config " + std::to_string(owner) + loaded(state));
  };
  s.runSaverWindow = [&log, loaded](SaverState& state, const SaverRun& run) {
    log.push_back((run.kind == RunKind::Saver ? "saver " : "preview ") + std::to_string(run.window) + loaded(state));
  };
  return s;
}

TEST(Entry, RunsExactlyTheNamedModeAfterBothLoads) {
  const std::pair<const char*, Log> cases[] = {
      {"zirbel.scr /s", {"system", "own", "saver 0 loaded"}},
      {"zirbel.scr /p 4242", {"system", "own", "preview 4242 loaded"}},
      {"zirbel.scr /c", {"system", "own", "config 99 loaded"}},
      {"zirbel.scr", {"system", "own", "config 0 loaded"}},
      {"zirbel.scr /a 77", {"system", "own", "password 77"}},
      {"zirbel.scr /x", {"system", "own"}},
  };
  for (const auto& [line, calls] : cases) {
    Log log;
    EXPECT_EQ(RunEntry(line, Fakes(log)), 0) << line;
    EXPECT_EQ(log, calls) << line;
  }
  const char* argv[] = {"/usr/bin/zirbel", "-p", "12345"};
  EXPECT_EQ(JoinArguments(1, argv), "zirbel");
  EXPECT_EQ(JoinArguments(3, argv), "zirbel -p 12345");
}

}  // namespace
