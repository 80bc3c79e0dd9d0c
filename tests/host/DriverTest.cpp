#include <gtest/gtest.h>

#include <tuple>

#include "field/KeyCodes.h"
#include "host/Driver.h"
#include "tests/host/FakeBackend.h"

namespace {

// One scene paced on the fake backend's clock; its frames cost 10 ms there.
Log Paced(FakeBackend& backend, std::vector<std::int32_t> delays, std::vector<bool> presents) {
  SaverState state;
  const SceneFactory make = [&]() {
    auto view = std::make_unique<PacedView>();
    view->log = &backend.log;
    view->backend = &backend;
    view->delays = delays;
    view->presents = presents;
    return std::unique_ptr<ViewScene>(std::move(view));
  };
  RunSaver(backend, state, SaverRun{}, FakeInputs(backend, make));
  return Log(backend.log.begin() + 3, backend.log.end() - 2);  // after open, start and show; before end and close
}

TEST(Driver, DrawsWhatCanBeSeenAndWaitsOutTheDelayButNotInput) {
  // What is checked; the events waiting, arriving; the delays, presents; the log.
  const std::tuple<const char*, Log, std::multimap<std::uint32_t, std::string>, std::vector<std::int32_t>,
                   std::vector<bool>, Log>
      cases[] = {
      {"every waiting event before the frame", {"a", "b"}, {{1065, "quit"}}, {40}, {},
       {"event a", "event b", "frame 1000", "present", "wait 40", "frame 1050", "present", "wait 40", "event quit"}},
      {"an event in the wait is handled at once, the wait goes on for the rest, and quit ends it", {},
       {{1030, "a"}, {1070, "quit"}}, {40}, {},
       {"frame 1000", "present", "wait 40", "event a", "wait 20", "frame 1050", "present", "wait 40", "event quit"}},
      {"quit in a burst ends without another frame", {"a", "quit", "b"}, {}, {40}, {}, {"event a", "event quit"}},
      {"no present when the frame says so, but the wait; a new delay counts at once", {}, {{1070, "quit"}}, {40, 12},
       {false}, {"frame 1000", "wait 40", "frame 1050", "present", "wait 12", "event quit"}},
      {"a negative delay is no wait, never an endless one", {}, {{1015, "quit"}}, {-5}, {},
       {"frame 1000", "present", "frame 1010", "present", "event quit"}},
      {"nothing drawn while hidden, a wait without end, a frame as soon as it shows", {},
       {{1020, "hide"}, {9000, "show"}, {9015, "quit"}}, {40}, {},
       {"frame 1000", "present", "wait 40", "event hide", "wait", "event show", "resume", "frame 9000", "present",
        "wait 40", "event quit"}},
      {"a display that is off is asked again every second", {}, {{1020, "off"}, {2500, "~show"}, {3035, "quit"}},
       {40}, {},
       {"frame 1000", "present", "wait 40", "event off", "wait 1000", "wait 1000", "resume", "frame 3020", "present",
        "wait 40", "event quit"}},
  };
  for (const auto& [what, waiting, arrivals, delays, presents, expected] : cases) {
    FakeBackend backend;
    backend.waiting = waiting;
    backend.arrivals = arrivals;
    EXPECT_EQ(Paced(backend, delays, presents), expected) << what;
  }
}

// The web page's steps pace as the waiting loop does, on the page's own clock.
TEST(Driver, StepsDrawOnceTheDelayHasPassedAndNothingWhileHidden) {
  FakeBackend backend;
  SaverState state;
  Driver driver(static_cast<Backend&>(backend), state, SaverRun{}, FakeInputs(backend, BareViews(&backend.log)));
  ASSERT_TRUE(driver.Start());
  backend.log.clear();
  const std::tuple<std::uint32_t, Sight, bool> steps[] = {
      {1000, Sight::Visible, true}, {1017, Sight::Visible, false}, {1073, Sight::Visible, false},
      {1074, Sight::Visible, true}, {1200, Sight::Hidden, false},  {5000, Sight::Visible, true}};
  for (const auto& [now, sight, draws] : steps) {
    backend.now = now;
    backend.sight = sight;
    EXPECT_EQ(driver.Step(), draws) << now;
  }
  EXPECT_EQ(backend.log, Log({"draw 0 at 0", "present", "draw 0 at 0", "present", "draw 0 at 0", "present"}));
}

// A close the policy posts comes before the events behind it, as posted
// messages do; a consumed key keeps the saver.
TEST(Driver, PostedClosesComeFirstAndDestroyTheWindow) {
  FakeBackend backend;
  backend.waiting = {"a", "quit"};
  SaverState state;
  Driver driver(backend, state, SaverRun{}, FakeInputs(backend, BareViews(&backend.log)));
  ASSERT_TRUE(driver.Start());
  EXPECT_EQ(driver.KeyOrButton('5'), Disposition::DefaultProcessing);
  EXPECT_EQ(driver.Scenes().Primary()->levels, 6) << "a control key steers the picture";
  driver.KeyOrButton(keycode::kEscape);
  backend.log.clear();
  EXPECT_FALSE(driver.Step());
  EXPECT_EQ(backend.log, Log({"destroy", "event a", "event quit"})) << "within the grace period the window just goes";
}

Log* errors = nullptr;
void ShowError(const char* text) { errors->push_back(std::string("error: ") + text); }

// The scenes' whole life on a fake window over two monitors, without GL,
// ended before the window. After a failed open the window is gone before the
// message shows: a saver window left up would take the message's activation,
// ask to close, and end its run unread.
TEST(Driver, RunsEveryViewOfTheBackendAndAFailedOpenDropsTheWindowBeforeTheMessage) {
  const std::pair<Opened::Result, Log> cases[] = {
      {Opened::Result::Ready,
       {"open", "start 0 seed 7", "start 1 seed 108", "show", "draw 0 at 0", "draw 1 at 320", "present", "wait 74",
        "event quit", "end 0", "end 1", "close"}},
      {Opened::Result::Failed, {"open", "drop window", "error: It cannot be drawn.", "close"}},
      {Opened::Result::Quiet, {"open", "drop window", "close"}},
  };
  for (const auto& [result, expected] : cases) {
    FakeBackend backend;
    backend.views = {{0, 0, 320, 480}, {320, 0, 320, 480}};
    backend.arrivals = {{1005, "quit"}};
    backend.opened = Opened{result, "It cannot be drawn."};  // shown only where the open failed
    errors = &backend.log;
    SaverState state;
    RunInputs inputs = FakeInputs(backend, BareViews(&backend.log));
    inputs.seed = 7;
    inputs.showError = &ShowError;
    RunSaver(backend, state, SaverRun{}, inputs);
    EXPECT_EQ(backend.log, expected) << static_cast<int>(result);
  }
}

// Only the full-screen saver with LockOnReturn readies the session lock, as
// it starts; a close after the grace period locks before the window goes.
TEST(Driver, OnlyTheFullScreenSaverReadiesAndTakesTheSessionLock) {
  struct FakeLock : SessionLock {
    Log* log = nullptr;
    void Prepare() override { log->push_back("prepare"); }
    void Lock() override { log->push_back("lock"); }
  };
  const std::tuple<RunKind, std::int32_t, Log> cases[] = {  // the run, LockOnReturn, the log up to the close
      {RunKind::Saver, 1, {"prepare", "open", "lock", "destroy"}},
      {RunKind::Saver, 0, {"open", "destroy"}},
      {RunKind::Preview, 1, {"open"}},
      {RunKind::Borrowed, 1, {"open"}},
  };
  for (const auto& [kind, lockOnReturn, expected] : cases) {
    FakeBackend backend;
    FakeLock lock;
    lock.log = &backend.log;
    SaverState state;
    state.passwordDelay = 0;
    state.lockOnReturn = lockOnReturn;
    RunInputs inputs = FakeInputs(backend, BareViews(&backend.log));
    inputs.sessionLock = &lock;
    SaverRun run;
    run.kind = kind;
    Driver driver(backend, state, run, inputs);
    ASSERT_TRUE(driver.Start());
    backend.now += 5;  // past a grace period of 0 s
    driver.KeyOrButton(keycode::kEscape);
    driver.Step();
    Log seen;
    for (const std::string& entry : backend.log) {
      if (entry == "prepare" || entry == "open" || entry == "lock" || entry == "destroy") seen.push_back(entry);
    }
    EXPECT_EQ(seen, expected) << static_cast<int>(kind) << ", " << lockOnReturn;
  }
}

TEST(Driver, MirrorBitFollowsAnyNonzeroSetting) {
  for (std::int32_t setting : {1, 7, -1}) EXPECT_EQ(FrameFlags(setting), kMirrorsBit) << setting;
  EXPECT_EQ(FrameFlags(0), 0u);
}

}  // namespace
