#include <gtest/gtest.h>

#include <tuple>

#include "host/SceneSet.h"
#include "tests/host/FakeHost.h"

namespace {

// Frames cost 10 ms on the fake clock, which starts at 1000.
TEST(FrameLoop, DrawsWhatCanBeSeenAndWaitsOutTheDelayButNotInput) {
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
      {"a display that is off is asked again every second", {}, {{1020, "off"}, {2500, "~show"}, {3030, "quit"}},
       {40}, {},
       {"frame 1000", "present", "wait 40", "event off", "wait 1000", "wait 1000", "resume", "frame 3020", "present",
        "wait 40", "event quit"}},
  };
  for (const auto& [what, waiting, arrivals, delays, presents, expected] : cases) {
    FakeHost host;
    host.waiting = waiting;
    host.arrivals = arrivals;
    host.delays = delays;
    host.presents = presents;
    RunFrameLoop(host, host, kMirrorsBit);
    EXPECT_EQ(host.log, expected) << what;
  }
}

TEST(FrameLoop, MirrorBitFollowsAnyNonzeroSetting) {
  for (std::int32_t setting : {1, 7, -1}) EXPECT_EQ(FrameFlags(setting), kMirrorsBit) << setting;
  EXPECT_EQ(FrameFlags(0), 0u);
}

}  // namespace
