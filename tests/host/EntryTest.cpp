#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Entry.h"
#include "host/SaverState.h"
#include "host/SceneLife.h"

namespace {

// Records the order of the calls the entry makes and what it passed.
struct Recorder {
  std::vector<std::string> calls;
  WindowHandle parent = 12345;
  int showWindow = -1;
  bool sawLoadedState = false;
};

EntryServices Fakes(Recorder& rec) {
  EntryServices s;
  s.loadSystemSettings = [&rec](SaverState& state) {
    rec.calls.push_back("system");
    state.mouseThreshold = 10;
  };
  s.loadSettings = [&rec](SaverState& state) {
    rec.calls.push_back("own");
    state.useMirrors = 0;
  };
  s.foregroundWindow = [&rec] {
    rec.calls.push_back("foreground");
    return WindowHandle{99};
  };
  s.changeSaverPassword = [&rec](WindowHandle parent) {
    rec.calls.push_back("password");
    rec.parent = parent;
  };
  // The modes get the published record with both settings loaded.
  const auto loaded = [](SaverState& state) {
    return gSaverState == &state && state.mouseThreshold == 10 && state.useMirrors == 0;
  };
  s.runConfigDialog = [&rec, loaded](SaverState& state, WindowHandle owner) {
    rec.calls.push_back("config");
    rec.parent = owner;
    rec.sawLoadedState = loaded(state);
  };
  s.runSaverWindow = [&rec, loaded](SaverState& state, const SaverRun& run) {
    rec.calls.push_back(run.mode == SaverMode::Saver ? "saver" : "preview");
    rec.parent = run.parent;
    rec.showWindow = run.showWindow;
    rec.sawLoadedState = loaded(state) && run.mode == gSaverMode;
  };
  return s;
}

struct EntryCase {
  const char* line;
  std::vector<std::string> calls;
  WindowHandle parent;  // as the mode saw it (12345: no mode ran)
};

TEST(Entry, RunsExactlyTheNamedModeAfterBothLoads) {
  const EntryCase cases[] = {
      {"zirbel.scr /s", {"system", "own", "saver"}, 0},
      {"zirbel.scr /p 4242", {"system", "own", "preview"}, 4242},
      {"zirbel.scr /c", {"foreground", "system", "own", "config"}, 99},
      {"zirbel.scr", {"system", "own", "config"}, 0},
      {"zirbel.scr /a 77", {"system", "own", "password"}, 77},
      {"zirbel.scr /x", {"system", "own"}, 12345},
  };
  for (const EntryCase& c : cases) {
    Recorder rec;
    EXPECT_EQ(RunEntry(c.line, 5, Fakes(rec)), 0) << c.line;
    EXPECT_EQ(rec.calls, c.calls) << c.line;
    EXPECT_EQ(rec.parent, c.parent) << c.line;
    const bool withState = c.calls.size() > 2 && c.calls.back() != "password";
    EXPECT_EQ(rec.sawLoadedState, withState) << c.line;
    const bool window = c.calls.back() == "saver" || c.calls.back() == "preview";
    EXPECT_EQ(rec.showWindow, window ? 5 : -1) << c.line;
    EXPECT_EQ(gSaverState, nullptr) << "the record is freed and unpublished afterwards";
  }
  EXPECT_EQ(gSaverMode, SaverMode::None);
}

TEST(Entry, JoinArgumentsBuildsAWindowsStyleCommandLine) {
  const char* none[] = {"/usr/bin/zirbel"};
  EXPECT_EQ(JoinArguments(1, none), "zirbel");
  const char* two[] = {"/usr/bin/zirbel", "-p", "12345"};
  EXPECT_EQ(JoinArguments(3, two), "zirbel -p 12345");
}

// A window system whose set-up fails at a chosen step; everything the life
// does is logged in order.
class FailingHost : public SceneHost {
 public:
  explicit FailingHost(SetUpResult result) : result_(result) {}
  SetUpResult SetUp() override {
    log("set up");
    return result_;
  }
  int Width() override { return 640; }
  int Height() override { return 480; }
  void Show() override { log("show"); }
  void DropWindow() override { log("drop window"); }
  void TearDown() override { log("tear down"); }
  bool HandlePendingEvent() override { return false; }
  bool QuitRequested() override { return true; }
  void Present() override {}
  void Sleep(std::int32_t) override {}
  void log(const char* what) { events.push_back(what); }

  static std::vector<std::string> events;

 private:
  SetUpResult result_;
};
std::vector<std::string> FailingHost::events;

void ShowError(const char* text) { FailingHost::events.push_back(std::string("error: ") + text); }

// The window is gone before the message shows: a saver window left up would
// take the message's activation, ask to close, and end its loop unread.
TEST(SceneLife, FailedSetUpDropsTheWindowBeforeTheMessage) {
  const struct {
    SetUpResult result;
    const char* message;
  } cases[] = {
      {SetUpResult::NoWindowClass, "RegisterClass() failed:  Cannot register window class."},
      {SetUpResult::NoPixelFormat, "ChoosePixelFormat() failed:  Cannot find a suitable pixel format."},
      {SetUpResult::FormatNotSet, "SetPixelFormat() failed:  Cannot set format specified."},
      {SetUpResult::NoContext, "wglCreateContext() failed:  Cannot create an OpenGL rendering context."},
      {SetUpResult::Quiet, nullptr},
  };
  for (const auto& c : cases) {
    FailingHost::events.clear();
    FailingHost host(c.result);
    RunScene(host, SaverRun{}, 1, &ShowError);
    std::vector<std::string> expected = {"set up", "drop window"};
    if (c.message != nullptr) expected.push_back(std::string("error: ") + c.message);
    expected.push_back("tear down");
    EXPECT_EQ(FailingHost::events, expected);
  }
}

}  // namespace
