#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/FrameLoop.h"
#include "scene/KaleidoScene.h"

namespace {

using Log = std::vector<std::string>;

// Events are queued as names; "quit" ends the loop when handled. Everything
// the loop does is logged in order.
class FakeHost : public FrameLoopHost, public FrameRenderer {
 public:
  std::vector<Log> batches;  // events arriving before frame i
  Log waiting;
  std::vector<bool> results;  // per frame; true when missing
  std::int32_t sleepMs = 40;
  std::int32_t sleepAfterSecondFrame = 40;
  std::vector<std::uint32_t> flags;
  Log log;

  bool HandlePendingEvent() override {
    if (waiting.empty()) return false;
    log.push_back("event " + waiting.front());
    waiting.erase(waiting.begin());
    return true;
  }
  bool QuitRequested() override { return !log.empty() && log.back() == "event quit"; }
  void Present() override { log.push_back("present"); }
  void Sleep(std::int32_t ms) override {
    log.push_back("sleep " + std::to_string(ms));
    const std::size_t frame = flags.size();
    if (frame < batches.size()) {
      waiting.insert(waiting.end(), batches[frame].begin(), batches[frame].end());
    } else {
      waiting.push_back("quit");
    }
  }
  bool RenderFrame(std::uint32_t f) override {
    flags.push_back(f);
    log.push_back("render");
    if (flags.size() == 2) sleepMs = sleepAfterSecondFrame;
    return flags.size() > results.size() || results[flags.size() - 1];
  }
  std::int32_t SleepMs() override { return sleepMs; }
};

TEST(FrameLoop, DrainsEventsThenRendersPresentsAndSleeps) {
  const struct {
    const char* what;
    Log waiting;
    std::vector<Log> batches;
    std::vector<bool> results;
    std::int32_t sleepMs, sleepAfterSecondFrame;
    Log expected;
  } cases[] = {
      {"every waiting event before the frame", {"a", "b", "c"}, {{}, {"d", "e"}}, {}, 40, 40,
       {"event a", "event b", "event c", "render", "present", "sleep 40", "event d", "event e", "render", "present",
        "sleep 40", "event quit"}},
      {"no present when the frame says so, but the sleep", {}, {{}, {}}, {false, true}, 40, 40,
       {"render", "sleep 40", "render", "present", "sleep 40", "event quit"}},
      {"a delay changed during a frame counts right after it", {}, {{}, {}}, {}, 40, 12,
       {"render", "present", "sleep 40", "render", "present", "sleep 12", "event quit"}},
      {"a negative delay does not sleep forever", {}, {}, {}, -5, -5, {"render", "present", "sleep 0", "event quit"}},
      {"quit in a burst ends without another frame", {"a", "quit", "b"}, {}, {}, 40, 40, {"event a", "event quit"}},
  };
  for (const auto& c : cases) {
    FakeHost host;
    host.waiting = c.waiting;
    host.batches = c.batches;
    host.results = c.results;
    host.sleepMs = c.sleepMs;
    host.sleepAfterSecondFrame = c.sleepAfterSecondFrame;
    RunFrameLoop(host, host, 1);
    EXPECT_EQ(host.log, c.expected) << c.what;
  }
}

TEST(FrameLoop, MirrorBitFollowsAnyNonzeroSetting) {
  for (std::int32_t setting : {1, 7, -1}) EXPECT_EQ(FrameFlags(setting), kMirrorsBit) << setting;
  FakeHost host;
  RunFrameLoop(host, host, 0);
  EXPECT_EQ(host.flags, std::vector<std::uint32_t>{0u});
}

}  // namespace
