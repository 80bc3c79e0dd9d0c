#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/SceneLife.h"
#include "tests/host/FakeHost.h"

namespace {

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
    log.push_back((run.mode == SaverMode::Saver ? "saver " : "preview ") + std::to_string(run.parent) + " show " +
                  std::to_string(run.showWindow) + loaded(state));
  };
  return s;
}

TEST(Entry, RunsExactlyTheNamedModeAfterBothLoads) {
  const std::pair<const char*, Log> cases[] = {
      {"zirbel.scr /s", {"system", "own", "saver 0 show 5 loaded"}},
      {"zirbel.scr /p 4242", {"system", "own", "preview 4242 show 5 loaded"}},
      {"zirbel.scr /c", {"system", "own", "config 99 loaded"}},
      {"zirbel.scr", {"system", "own", "config 0 loaded"}},
      {"zirbel.scr /a 77", {"system", "own", "password 77"}},
      {"zirbel.scr /x", {"system", "own"}},
  };
  for (const auto& [line, calls] : cases) {
    Log log;
    EXPECT_EQ(RunEntry(line, 5, Fakes(log)), 0) << line;
    EXPECT_EQ(log, calls) << line;
  }
  const char* argv[] = {"/usr/bin/zirbel", "-p", "12345"};
  EXPECT_EQ(JoinArguments(1, argv), "zirbel");
  EXPECT_EQ(JoinArguments(3, argv), "zirbel -p 12345");
}

Log* errors = nullptr;
void ShowError(const char* text) { errors->push_back(std::string("error: ") + text); }

// The window is gone before the message shows: a saver window left up would
// take the message's activation, ask to close, and end its loop unread.
TEST(SceneLife, FailedSetUpDropsTheWindowBeforeTheMessage) {
  const std::pair<SetUpResult, const char*> cases[] = {
      {SetUpResult::NoWindowClass, "RegisterClass() failed:  Cannot register window class."},
      {SetUpResult::NoPixelFormat, "ChoosePixelFormat() failed:  Cannot find a suitable pixel format."},
      {SetUpResult::FormatNotSet, "SetPixelFormat() failed:  Cannot set format specified."},
      {SetUpResult::NoContext, "wglCreateContext() failed:  Cannot create an OpenGL rendering context."},
      {SetUpResult::Quiet, nullptr},
  };
  for (const auto& [result, message] : cases) {
    FakeHost host;
    host.setUp = result;
    errors = &host.log;
    RunScene(host, SaverRun{}, SaverState(), &ShowError);
    Log expected = {"set up", "drop window"};
    if (message != nullptr) expected.push_back(std::string("error: ") + message);
    expected.push_back("tear down");
    EXPECT_EQ(host.log, expected);
  }
}

}  // namespace
